#pragma once
// The fleet's operator texts: the inventory, its CSV files, what is due,
// a beacon's visit and the sweep.
// Fill them with Fmt() from config/messages.h.
namespace Msg {
// The inventory
inline constexpr const char *FleetNoLibrary = "%s holds no library; the fleet is kept only in a library database.";
inline constexpr const char *FleetNameNeeded = "A beacon needs a name.";
inline constexpr const char *FleetNameCharacters = "The name \"%s\" holds a line break or another control character.";
inline constexpr const char *FleetNameTaken = "There is already a beacon named \"%s\".";
inline constexpr const char *FleetNameTwice = "The beacon \"%s\" is given twice.";
inline constexpr const char *FleetSerialTaken = "The serial number %s is already that of the beacon \"%s\".";
inline constexpr const char *FleetTagInvalid =
    "The tag \"%s\" of the beacon \"%s\" is empty or holds a comma; tags are separated by commas.";
inline constexpr const char *FleetLocationInvalid =
    "The location of the beacon \"%s\" is not a latitude from -90 to 90 and a longitude from -180 to 180.";
inline constexpr const char *FleetNoBeacon = "There is no beacon named \"%s\" in the fleet.";

// CSV files of the inventory
inline constexpr const char *FleetCsvLine = "Line %d of %s: %s";
inline constexpr const char *FleetCsvNoHeader = "the file is empty; it needs a header line naming its columns";
inline constexpr const char *FleetCsvUnknownColumn =
    "unknown column \"%s\"; the columns are name, serial, site, address, tags, location, notes, assigned, "
    "last_contact";
inline constexpr const char *FleetCsvColumnTwice = "the column \"%s\" is named twice";
inline constexpr const char *FleetCsvNoNameColumn = "the header names no column \"name\"";
inline constexpr const char *FleetCsvFieldCount = "%d fields where the header names %d";
inline constexpr const char *FleetCsvQuote = "a quote inside a field that is not quoted, or text after a closing quote";
inline constexpr const char *FleetCsvOpenQuote = "a quoted field that is never closed";
inline constexpr const char *FleetCsvNotUtf8 = "the text is not UTF-8";
inline constexpr const char *FleetCsvLocation = "the location \"%s\" is not LATITUDE,LONGITUDE";
inline constexpr const char *FleetImported = "%d beacon(s) added, %d updated from %s";
inline constexpr const char *FleetExported = "%d beacon(s) written to %s";

// The Fleet window
inline constexpr const char *FleetAllTags = "(all tags)";
inline constexpr const char *FleetShown = "%d of %d beacon(s)";
inline constexpr const char *FleetNothingDue = "%s: nothing is due.";
inline constexpr const char *FleetDue = "%s is due:\n%s";
inline constexpr const char *FleetNoSerial =
    "The serial number of the beacon \"%s\" is not known yet: a sweep fills it in when it first reaches the beacon.";
inline constexpr const char *FleetNoEvents = "No events of the beacon \"%s\" (%s) have been archived yet.";

// The command line
inline constexpr const char *CliFleetSub =
    "The command fleet takes add, set, remove, list, import, export, assign, due, visit or sweep.";
inline constexpr const char *CliFleetName = "The command fleet %s takes the beacon's name.";
inline constexpr const char *CliFleetFile = "The command fleet import takes the CSV file's name.";
inline constexpr const char *CliFleetAssign = "fleet assign takes --config FILE.bcfg or --action ID, one of them.";
inline constexpr const char *CliFleetAction = "--action takes the number (ID) of a recorded upload or download.";
inline constexpr const char *CliFleetLocation = "--location takes LATITUDE,LONGITUDE in degrees, for example 51.5,-0.12.";
inline constexpr const char *CliFleetAdded = "Beacon \"%s\" added.";
inline constexpr const char *CliFleetChanged = "Beacon \"%s\" changed.";
inline constexpr const char *CliFleetRemoved = "Beacon \"%s\" removed; its history and archive are kept.";
inline constexpr const char *CliFleetAssigned = "Beacon \"%s\" is to carry %s.";
inline constexpr const char *CliFleetNoAction = "Action %d holds no recorded configuration of an upload or a download.";
inline constexpr const char *CliFleetNothingDue = "Nothing is due.";
inline constexpr const char *FleetRecordedAction = "recorded action %d";

// What is due
inline constexpr const char *DueNoAssigned = "no configuration assigned";
inline constexpr const char *DueNeverRead = "its configuration was never read";
inline constexpr const char *DueConfigDiffers = "the configuration read on %s differs from %s: %s";
inline constexpr const char *DueNoCalendar = "the calendar holds no records";
inline constexpr const char *DueCalendarEnds = "the calendar's last record ends on %s";
inline constexpr const char *DueCalendarEnded = "the calendar's last record ended on %s";
inline constexpr const char *DuePlan = "%s: %s";
inline constexpr const char *DueClock = "clock off by %d s at the last contact";
inline constexpr const char *DueNeverReached = "never reached";
inline constexpr const char *DueNoContact = "no contact since %s";
inline constexpr const char *DueResets = "%d reset(s) in the last event download, the newest on %s";
inline constexpr const char *DueVoltage = "supply voltage down to %s V in the last event download, on %s";

// A beacon's visit and the sweep
inline constexpr const char *VisitWrongSerial = "answers as serial %s, the inventory says %s";
inline constexpr const char *VisitSerialTaken = "answers as serial %s, which the inventory gives to %s";
inline constexpr const char *VisitDifference = "%s: %s on the Beacon, %s assigned";
inline constexpr const char *VisitStopped = "stopped by the operator before %s";
inline constexpr const char *VisitStepEvents = "the event log";
inline constexpr const char *VisitStepConfig = "reading the configuration";
inline constexpr const char *VisitStepSetClock = "setting the clock";
inline constexpr const char *VisitStepUpload = "the upload";
inline constexpr const char *SweepLine = "%s (%s): %s";
inline constexpr const char *SweepNoSerial = "serial unknown";
inline constexpr const char *SweepEvents = "%d new event(s)";
inline constexpr const char *SweepDrift = "clock drift %d s";
inline constexpr const char *SweepDiffers = "differs from the assigned configuration in %d item(s)";
inline constexpr const char *SweepClockSet = "clock set";
inline constexpr const char *SweepUploaded = "assigned configuration uploaded";
inline constexpr const char *SweepAsAssigned = "as assigned";
inline constexpr const char *SweepNotReached = "not reached";
inline constexpr const char *SweepNotStarted = "not started";
inline constexpr const char *SweepNoAddress = "no address to reach it at";
inline constexpr const char *SweepTotal =
    "%d beacon(s): %d reached, %d as assigned, %d not reached, %d not started";
inline constexpr const char *SweepWorkerSays = "%s: %s";
inline constexpr const char *SweepWorkerFailed = "the visit ended with status %d: %s";
inline constexpr const char *SweepJobs = "--jobs takes a number from 1 to %d.";
inline constexpr const char *SweepVerifyNeedsUpload = "--verify goes with --upload-assigned.";
}
