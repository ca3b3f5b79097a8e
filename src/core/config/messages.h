#pragma once
#include <QString>
#include <QStringList>

// The message table: every text the program shows an operator, in one place.
// Texts use "%s" and "%d" placeholders, filled in order by Fmt().
namespace Msg {
// Library database
inline constexpr const char *DbOpenFailed = "Failed to open database \"%s\"";
inline constexpr const char *DbCompileError = "Error: %s%s%s";
inline constexpr const char *DbReadOnlyOrMissing = "Database file is read-only or file is missing \"%s\"";
inline constexpr const char *DbUnknownError = "Unknown database error! Error Code: \"%d\"";
// A step that failed for another reason than the file being read-only or
// missing: the file and SQLite's own words ("database or disk is full").
inline constexpr const char *DbStepFailed = "The library database \"%s\" could not be changed: %s";
inline constexpr const char *DbLocked =
    "The library database \"%s\" is locked by another program. Please close that program and try again.";
inline constexpr const char *DbNotLibrary = "\"%s\" is not a library database (%s).";
inline constexpr const char *DbTableMissing = "the table %s is missing";
inline constexpr const char *DbFunctionsDisabled =
    "The software could not open database \"%s\". All database functions will be disabled.";
// Filled with the file, the other window's process id and its program.
inline constexpr const char *DbOpenInAnotherWindow =
    "The library database \"%s\" is open in another window (process %d, %s). Please use that window, or close it "
    "and start the program again.";
inline constexpr const char *DbFolderNotMade = "The folder %s could not be made: %s";
inline constexpr const char *DbFileChanged = "Database file was changed. Please restart the application now.";
inline constexpr const char *DbDefaultLibraryAdvice =
    "To use the library, choose a database file on the Software Settings page, or create this one with the command "
    "pvbcs-initdb, and start the program again.";
// The default library's file is there but is no library database.
inline constexpr const char *DbBrokenDefaultAdvice =
    "To use the library, choose a database file on the Software Settings page, or move \"%s\" aside (rename it) "
    "and start the program again: an empty library is then made in its place.";
inline constexpr const char *ScheduleGone =
    "The schedule \"%s\" is no longer in the library (deleted in another window?); the record was not saved.";
inline constexpr const char *CalendarGone =
    "The calendar \"%s\" is no longer in the library (deleted in another window?); the record was not saved.";

// Files
inline constexpr const char *UnableToWrite = "Unable to write to %s";

// Update check (main window, Home page)
inline constexpr const char *UpdateAvailable =
    "New version of Pavoline\u00AE Beacon Control Software is available. Do you want to proceed to the Orvella Works "
    "software update page? ";
inline constexpr const char *UpdateNotRetrieved =
    "Pavoline\u00AE Beacon Control Software could not retrieve version information from Orvella Works web site. "
    "Please check your Internet connection and try again.";
inline constexpr const char *UpdateUpToDate = "Your Pavoline\u00AE Beacon Control Software version is up to date.";
inline constexpr const char *UpdateChecking = "Checking for a newer version...";
// The operator's manual, found in none of the folders listed after the text.
inline constexpr const char *HelpNotFound = "The operator's manual was not found. It was looked for in:\n%s";

// Schedules, calendars and settings files (store)
inline constexpr const char *UnableToRead = "Unable to read %s";
inline constexpr const char *LoadMissingFileAsEmpty =
    "The file %s does not exist. Do you want to replace the Beacon's configuration with an empty one?";
inline constexpr const char *SettingsFileTooLarge = "%s is too large to be a settings file (at most %d bytes).";
inline constexpr const char *SettingsKeyMissing = "%s: the key is missing.";
inline constexpr const char *SettingsNotANumber = "%s: '%s' is not a number.";
inline constexpr const char *SettingsValueOutOfRange = "%s: the value %s is outside %d to %d.";
inline constexpr const char *SettingsDateUnreadable = "%s: cannot read '%s' as a date.";
inline constexpr const char *SettingsTimeUnreadable = "%s: cannot read '%s' as a time of day.";
// Filled with the key, the text as written, all readings but the last (joined
// by ", ") and the last reading.
inline constexpr const char *SettingsAmbiguous = "%s: cannot tell whether '%s' is %s or %s.";
inline constexpr const char *SettingsCompanionDisagrees =
    "%s: '%s' and %s '%s' do not agree; please correct or remove one of them.";
inline constexpr const char *SettingsTooManyRecords = "%s: %d records are more than the %d a Beacon holds.";
inline constexpr const char *SettingsSectionMissing = "%s: %d records, but the file has no section [%s].";
inline constexpr const char *SettingsControlCharacter =
    "%s: character %d of the name is the control character 0x%s, which a Beacon name cannot carry.";
inline constexpr const char *SettingsDstDateOutOfRange = "%s: %s is outside the dates a Beacon can hold (%s to %s).";
inline constexpr const char *SettingsDstHalfOff =
    "%s: 1 January 2010 (no daylight saving) must be the date of both shifts or of neither.";
inline constexpr const char *RecordCount = "%d record(s)";
inline constexpr const char *DurationHoursMinutes = "%d hr %d min";
inline constexpr const char *DurationDays = "%d day(s)";
// Indexed by weekday bit of a schedule record's day byte (bit 0 Monday).
inline constexpr const char *DayAbbreviations[7] = {"Mo", "Tu", "We", "Th", "Fr", "Sa", "Su"};
// Indexed by a calendar record's day mode; 7 to 9 are also the day texts of
// schedule records for the special day modes.
inline constexpr const char *DayModeNames[10] = {
    "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday",
    "Special Day Mode #1", "Special Day Mode #2", "Special Day Mode #3"};

// Reports
inline constexpr const char *ReportPrintFailed = "Unable to print the report";

// Beacon link and command set
inline constexpr const char *LinkPortNotOpen = "The port %s is not open.";
inline constexpr const char *LinkLost = "Lost the connection to %s: %s";
inline constexpr const char *LinkLostWhile = "Lost the connection to %s while %s: %s";
inline constexpr const char *LinkAborted = "Aborted by the operator.";
// What a read that failed because the device went away says instead of the
// system's text.
inline constexpr const char *LinkDeviceGone = "the device stopped responding (adapter unplugged or line hung up)";
// What the link was being used for, as LinkLostWhile names it
inline constexpr const char *ActivityWriting = "writing %s";
inline constexpr const char *ActivityReading = "reading %s";
inline constexpr const char *ActivityEventLog = "reading the event log";
inline constexpr const char *ActivityOverride = "setting the override";
inline constexpr const char *ActivityIdentity = "asking the Beacon for its identity";
// Serial ports (port box, connection switch, discovery, command-line tool):
// what went wrong with a port names it, and the advice says what to do.
inline constexpr const char *PortError = "%s: %s";
inline constexpr const char *PortVirtual = "Virtual serial port";
// The controller simulator's registration of its virtual port.
inline constexpr const char *VirtualPortNameRefused =
    "\"%s\" cannot name a virtual port: a name must not be empty, begin with a dot, hold a slash or be the name of "
    "a device in /dev.";
inline constexpr const char *VirtualPortTaken =
    "The virtual port %s is held by another running simulator (process %d). Please choose another name, or end that "
    "simulator first.";
inline constexpr const char *PortInUse = "The port %s is in use by another program.";
inline constexpr const char *PortInUseAdvice =
    "Close the other program, or switch off its connection to the port, and try again.";
inline constexpr const char *PortAccessDenied = "This user may not open %s, which belongs to the group \"%s\".";
inline constexpr const char *PortAccessDeniedToAll = "This user may not open %s.";
inline constexpr const char *PortAccessAdvice =
    "To join it on Debian and similar systems, run\n"
    "    sudo usermod -aG %s $USER\n"
    "then log out and log in again.";
// Network beacons: a controller behind a serial device server, named by an
// address such as tcp://host:4001. What went wrong names the address and the
// step it went wrong in.
inline constexpr const char *NetAddressMalformed = "\"%s\" is not a network beacon address: %s";
inline constexpr const char *NetAddressExpected =
    "write tcp://HOST:PORT, rfc2217://HOST:PORT or tls://HOST:PORT (an IPv6 address in brackets, [fe80::1%eth0])";
inline constexpr const char *NetAddressNoHost = "the host is missing";
inline constexpr const char *NetAddressBadPort = "the port must be a number from 1 to 65535";
inline constexpr const char *NetAddressBadHost = "the host \"%s\" holds characters a host name cannot";
inline constexpr const char *NetOpenFailed = "Could not reach %s while %s: %s";
inline constexpr const char *NetStepLookup = "looking up the host name";
inline constexpr const char *NetStepConnect = "connecting";
inline constexpr const char *NetStepTls = "setting up TLS";
inline constexpr const char *NetStepCertificate = "checking the server's certificate";
inline constexpr const char *NetStepLineSettings = "setting the server's serial line";
inline constexpr const char *NetStepCredentials = "reading the TLS settings";
inline constexpr const char *NetNoAnswer = "no answer within %d s";
inline constexpr const char *NetServerClosed = "the server closed the connection";
inline constexpr const char *NetServerSaid = "the server closed the connection, saying \"%s\"";
inline constexpr const char *NetFileUnreadable = "%s cannot be read or holds no %s";
inline constexpr const char *NetNoTls = "this system's Qt has no TLS support";
inline constexpr const char *NetRemembered = "Network beacon";
inline constexpr const char *LinkPayloadUnframeable = "A message for command %s with %d payload characters cannot be framed.";
inline constexpr const char *ValueDoesNotFit = "%s: the value %d cannot be sent to the Beacon (allowed %d to %d).";
inline constexpr const char *NameDoesNotFit = "%s: the name \"%s\" cannot be sent to the Beacon (at most %d characters).";
inline constexpr const char *TooManyRecords = "%s: %d records cannot be sent to the Beacon (at most %d).";
inline constexpr const char *ItemClockYear = "Clock year";
inline constexpr const char *ItemDstStartDay = "DST start day";
inline constexpr const char *ItemDstEndDay = "DST end day";
inline constexpr const char *ItemDstShiftTime = "DST shift time";
inline constexpr const char *ItemDstOffset = "DST offset";
inline constexpr const char *ItemSchedule = "Schedule";
inline constexpr const char *ItemScheduleOnTime = "On time of schedule record %d";
inline constexpr const char *ItemScheduleOffTime = "Off time of schedule record %d";
inline constexpr const char *ItemCalendar = "Holidays & Exceptions";
inline constexpr const char *ItemCalendarDate = "Date of calendar record %d";
inline constexpr const char *ItemCalendarDays = "Length of calendar record %d";
inline constexpr const char *ItemCalendarName = "Name of calendar record %d";

// Controller discovery
inline constexpr const char *ScanCreatingThreads = "Creating Scanning Threads...";
inline constexpr const char *ScanSearching = "Searching Connected Controllers...";
inline constexpr const char *ScanStoppingThreads = "Stopping Scanning Threads...";
inline constexpr const char *ScanDone = "Done.";

// Connection switch and status bar (main window)
inline constexpr const char *PortNotFound = "Port not found! Please check your Connection.";
// The leading blank and the spelling are the texts operators know.
inline constexpr const char *CriticalCommError = " Critcical communication error: \"%s\"";
inline constexpr const char *ConnectedOfferDownload =
    "Beacon system is now connected. Downloading settings from connected system is recommended. Would you like to "
    "proceed?";
inline constexpr const char *ConnectionLost = "The connection to the Beacons was lost. Please try to re-connect.";
inline constexpr const char *StatusConnectedToPort = "Connected to port %s";
// Shown instead while the controller takes longer than a second to reply.
inline constexpr const char *StatusConnectedSlow = "Connected to port %s (slow Beacon: %s s per reply)";
inline constexpr const char *StatusPortDisconnected = "Port disconnected";
inline constexpr const char *StatusRetries = "Retries: %d of max %d";
inline constexpr const char *StatusSerialNumber = "Serial Number: %s";
inline constexpr const char *StatusFirmware = "Firmware: %s";
inline constexpr const char *StatusBoard = "Board: %s";

// Record lists and record editors
inline constexpr const char *SelectRecord = "Please select a Record from the List.";
inline constexpr const char *DeleteRecordConfirm = "Do you want to delete Selected Record?";
inline constexpr const char *NoLibrarySchedules = "You do not have any previously created Schedules.";
inline constexpr const char *NoLibraryCalendars = "You do not have any previously created Calendars.";
// The Beacon's copy of a schedule or calendar: filled with what it is
// ("schedule", "calendar") and the limit.
inline constexpr const char *BeaconRecordLimit = "A Beacon's %s holds at most %d records.";
// A library entry with more records than a Beacon holds, where it is loaded.
inline constexpr const char *LibraryItemTooLarge =
    "\"%s\" has %d records, more than the %d a Beacon holds. Remove some in the library and load it again.";
inline constexpr const char *CheckTimeRange = "Please check the selected Time Range.";
inline constexpr const char *SelectOneDay = "Please select at least one day.";
inline constexpr const char *CheckDateRange = "Please check the selected Range of Dates.";
inline constexpr const char *CalendarRangeTooLong = "A calendar record can cover at most 255 days.";
inline constexpr const char *CalendarEndTooLate =
    "A calendar record cannot end after %s, the last day the Beacon can store.";
inline constexpr const char *NameCharactersRefused = "These characters cannot be stored in a name: %s";

// Library pages (Schedules, Holidays & Exceptions): the prompt's title and the
// error when no entry is selected are the same one word.
inline constexpr const char *LibrarySchedule = "Schedule";
inline constexpr const char *LibraryCalendar = "Calendar";
inline constexpr const char *LibraryNamePrompt = "Please type a Name:";
inline constexpr const char *LibraryDeleteConfirm = "Do you want to delete %s?";

// School calendar import (an iCalendar file into a library calendar)
inline constexpr const char *ImportTitle = "Import School Calendar";
inline constexpr const char *ImportFilter = "iCalendar Files (*.ics)|*.ics|All Files (*.*)|*.*";
inline constexpr const char *ImportNotCalendar = "%s is not an iCalendar file: %s";
inline constexpr const char *ImportNoCalendarData = "no BEGIN:VCALENDAR";
inline constexpr const char *ImportRangeReversed = "The range ends (%s) before it starts (%s).";
inline constexpr const char *ImportUntitled = "(no title)";
inline constexpr const char *ImportSkipCancelled = "%s, %s: cancelled";
inline constexpr const char *ImportSkipNotOnly = "%s, %s: does not contain \"%s\"";
inline constexpr const char *ImportSkipNoStart = "%s: no start date";
inline constexpr const char *ImportSkipTimed = "%s, %s at %s: a timed event, not a day off";
inline constexpr const char *ImportSkipTimedRepeating = "%s, from %s at %s, repeating: a timed event, not a day off";
inline constexpr const char *ImportSkipOutside = "%s, %s: outside %s to %s";
inline constexpr const char *ImportMerged = "%s, %s: overlaps %s and is merged into it";
inline constexpr const char *ImportNameCut = "\"%s\" is cut to \"%s\" (15 characters)";
inline constexpr const char *ImportNameCharacters = "\"%s\" becomes \"%s\". %s";
inline constexpr const char *ImportDatesCut = "%s, %s to %s: cut to %s to %s";
inline constexpr const char *ImportSplit = "%s covers %d days, more than the 255 of one record: %d records";
inline constexpr const char *ImportNothing = "No all-day event of %s lies in %s to %s; no calendar was made.";
inline constexpr const char *ImportOverLimit =
    "%d records: more than the %d a Beacon holds. The calendar is kept in the library; remove or merge records "
    "there before loading it into a Beacon.";
inline constexpr const char *ImportCreated = "Calendar \"%s\" made with %d record(s).";
inline constexpr const char *ImportDayMode = "Unknown day mode \"%s\": use %s.";
inline constexpr const char *ImportDate = "--%s takes a date as YYYY-MM-DD, for example 2025-08-13.";
inline constexpr const char *ImportAction = "The command calendar takes import.";
inline constexpr const char *ImportSkipped = "Skipped";
inline constexpr const char *ImportMergedKind = "Merged";
inline constexpr const char *ImportShortened = "Shortened";
inline constexpr const char *ImportHeading = "%s (%d):";
inline constexpr const char *ImportNameRefused = "--name: %s";
inline constexpr const char *ImportNothingInRange = "No all-day event lies in %s to %s.";
inline constexpr const char *ImportRecordCount = "%d record(s) to import";
inline constexpr const char *ImportCannotRead = "%s cannot be read: %s";

// Transfers, advanced settings, override, diagnostics and event log
inline constexpr const char *WritingItem = "Writing %s...";
inline constexpr const char *ReadingItem = "Reading %s...";
inline constexpr const char *ExceptionWhileProcessing = "Exception while processing %s";
inline constexpr const char *ItemCommMode = "Communication Mode Settings";
inline constexpr const char *ItemClock = "Real-Time Clock Settings";
inline constexpr const char *ItemAdvanced = "Advanced Settings";
inline constexpr const char *ItemDst = "DST Settings";
inline constexpr const char *ItemBeaconSchedule = "Beacon Schedule";
inline constexpr const char *ItemCalendarOfExceptions = "Calendar of Exceptions";
inline constexpr const char *ItemNameForCalendarRecord = "Name for calendar record %d";
inline constexpr const char *ItemLiveValues = "Live Values";
inline constexpr const char *ItemOverrideStatus = "Override Status";
inline constexpr const char *SlaveModeWarning =
    "Slave mode is selected; the system will be controlled by the Master Beacon. Local schedules and calendars will "
    "be disabled.";
inline constexpr const char *FlashPatternNames[7] = {
    "Constant Level (ON/OFF)",  "Simultaneous One Flash",          "Simultaneous Two Flashes",
    "Simultaneous Three Flashes", "Alternating One Flash (Default)", "Alternating Two Flashes",
    "Alternating Three Flashes"};
inline constexpr const char *FlashSpeedNames[5] = {"Very Slow", "Slow", "Medium (Default)", "Fast", "Very Fast"};
inline constexpr const char *BeaconRoleNames[3] = {"Single Beacon System", "Master Beacon", "Slave Beacon"};
inline constexpr const char *LinkChannelOff = "OFF";
inline constexpr const char *LinkChannelNumber = "Channel #%d";
inline constexpr const char *DstOffsetNames[5] = {"30 Minutes", "60 Minutes", "90 Minutes", "120 Minutes", " "};
inline constexpr const char *OverrideSet = "Override parameters were set to Beacon.";
inline constexpr const char *OverrideNotSet = "Communication Error. Override parameters were not set.";
inline constexpr const char *FieldNotFilled = " ...";
inline constexpr const char *StatusTime = "Time: %s";
inline constexpr const char *StatusDate = "Date: %s";
// The number is written at least four characters wide with two decimals.
inline constexpr const char *StatusVoltage = "Voltage: %sV";
inline constexpr const char *BeaconIsOn = "Beacon is ON";
inline constexpr const char *BeaconIsOff = "Beacon is OFF";
inline constexpr const char *SwitchPositionNames[3] = {"Switch in AUTO position", "Switch in ON position",
                                                       "Switch in OFF position"};
inline constexpr const char *OverrideStateNames[3] = {"Override mode is not active", "Schedule overridden to ON state",
                                                      "Schedule overridden to OFF state"};
// Under the diagnostics fields once a link error has stopped the polling.
inline constexpr const char *ReadingsStale = "Not current: the values were last read at %s.";
inline constexpr const char *ReadingsNeverRead = "Not current: no values have been read from the Beacon.";
// Indexed by event code; 0 has no name.
inline constexpr const char *EventNames[10] = {"",
                                               "System turned ON after reset",
                                               "Beacons switched ON [Scheduled]",
                                               "Beacons switched OFF [Scheduled]",
                                               "Beacons switched ON [Manual]",
                                               "Beacons switched OFF [Manual]",
                                               "Schedule overridden; Beacons turned ON",
                                               "Schedule overridden; Beacons turned OFF",
                                               "Master command; Beacons ON",
                                               "Master command; Beacons OFF"};
inline constexpr const char *EventSlotsUnreadable =
    "%d of the Beacon's event log entries could not be read; they are not listed.";
inline constexpr const char *EventBeaconStoppedAnswering = "The Beacon stopped answering; %d event(s) were read.";
inline constexpr const char *EventLogLineInvalid = "Line %d of %s does not hold the five fields of an event.";

// Event Log page (main window)
inline constexpr const char *EventDownloadStopped =
    "%s\n\nThe download of the event log stopped; the %d event(s) read before it are listed.";

// History: the register of actions, the event archive, comparison and verification
inline constexpr const char *RegisterDone = "done";
inline constexpr const char *RegisterAborted = "aborted by the operator";
inline constexpr const char *RegisterNotWritten = "History not recorded: %s";
inline constexpr const char *RegisterNoLibrary = "%s holds no library; the history is kept only in a library database.";
// The outcome of an action whose command worked but whose result was lost.
inline constexpr const char *RegisterOutputFailed = "read, but not saved: %s";
// The outcome of the download, then why its events were not archived.
inline constexpr const char *RegisterNotArchived = "%s; %s";
inline constexpr const char *ArchiveNotWritten = "Events not archived: %s";
inline constexpr const char *ArchiveNoSerial = "Events not archived: the Beacon has not told its serial number yet.";
inline constexpr const char *CompareNone = "none";
inline constexpr const char *CompareCommMode = "Communication mode";
inline constexpr const char *CompareAdvancedItem = "Advanced Settings: %s";
inline constexpr const char *CompareBrightnessMin = "Brightness Min";
inline constexpr const char *CompareBrightnessMax = "Brightness Max";
inline constexpr const char *CompareFlashPattern = "Flashing Pattern";
inline constexpr const char *CompareFlashSpeed = "Flashing Speed";
inline constexpr const char *CompareRadioMode = "Radio Mode";
inline constexpr const char *CompareRadioLink = "Radio Link";
inline constexpr const char *CompareDstStart = "Shift to DST on";
inline constexpr const char *CompareDstEnd = "Shift to Standard";
inline constexpr const char *CompareDstTime = "Shift Time";
inline constexpr const char *CompareDstOffset = "Time Offset";
inline constexpr const char *ComparePercent = "%d%%";
inline constexpr const char *CompareMinutes = "%d Minutes";
inline constexpr const char *CompareScheduleRecord = "Schedule record %d:";
inline constexpr const char *CompareScheduleRecordText = "%s %s to %s";
inline constexpr const char *CompareDays = "Days";
inline constexpr const char *CompareOnTime = "ON time";
inline constexpr const char *CompareOffTime = "OFF time";
inline constexpr const char *CompareCalendarRecord = "Calendar record %d:";
inline constexpr const char *CompareCalendarRecordText = "%s %s, %s, %s";
inline constexpr const char *CompareName = "Name";
inline constexpr const char *CompareDate = "Date";
inline constexpr const char *CompareDuration = "Duration";
inline constexpr const char *CompareSubstitute = "Substitute";
inline constexpr const char *DifferenceInFile = "%s %s on the Beacon, %s in the file";
inline constexpr const char *DifferenceUploaded = "%s %s on the Beacon, %s uploaded";
inline constexpr const char *VerifyFailed = "The Beacon does not hold what was uploaded:\n%s";
inline constexpr const char *CompareSame = "The Beacon holds the configuration of %s.";
inline constexpr const char *CompareDiffers = "The Beacon differs from %s:\n%s";
// The Beacon History window
inline constexpr const char *HistoryNoConfig = "Action %d holds no recorded configuration.";
inline constexpr const char *HistoryOpenConfirm =
    "Do you want to replace the Beacon's configuration on the pages with the one recorded on %s (%s, action %d)?";
inline constexpr const char *HistoryCompareTwo = "Please select two actions with a recorded configuration.";
inline constexpr const char *DifferenceRecorded = "%s %s in #%d, %s in #%d";
inline constexpr const char *HistoryCompareSame = "Actions %d and %d recorded the same configuration.";
inline constexpr const char *HistoryCompareDiffers = "Actions %d and %d recorded different configurations:\n%s";
inline constexpr const char *HistoryAllBeacons = "All Beacons";
inline constexpr const char *ArchiveEmpty = "No events have been archived yet.";
inline constexpr const char *ArchiveShown = "Archive of Beacon %s: %d event(s)";
inline constexpr const char *ArchiveEntry = "%s: %d event(s), the newest %s";

// Command-line tool
inline constexpr const char *CliSerialNumber = "Serial Number: %s";
inline constexpr const char *CliFirmware = "Firmware: %s";
inline constexpr const char *CliBoard = "Board: %s";
inline constexpr const char *CliNoAnswer = "The Beacon on %s did not answer.";
inline constexpr const char *CliNoController = "No Beacon answered on any port.";
inline constexpr const char *CliControllerFound = "Beacon found on %s";
inline constexpr const char *CliManyControllers =
    "More than one Beacon answered:\n  %s\nName the one to use with --port.";
inline constexpr const char *CliFileMissing = "The file %s does not exist.";
inline constexpr const char *CliEventsSaved = "%d event(s) saved to %s";
inline constexpr const char *CliEventsSavedElsewhere =
    "The list is incomplete, so %s was left as it was; the %d event(s) read were saved to %s";
inline constexpr const char *CliEventsAborted = "The download of the event log was aborted; nothing was saved.";
inline constexpr const char *CliTryHelp = "%s\nTry \"pvbcs-cli --help\" for more information.";
inline constexpr const char *CliNoCommand = "No command given.";
inline constexpr const char *CliUnknownCommand = "Unknown command \"%s\".";
inline constexpr const char *CliExtraArgument = "Unexpected argument \"%s\".";
inline constexpr const char *CliOptionNeeded = "The command %s needs --%s.";
inline constexpr const char *CliOptionNotUsed = "The command %s does not take --%s.";
inline constexpr const char *CliUnknownPart = "Unknown part \"%s\" in --parts: use schedule, holidays, advanced.";
inline constexpr const char *CliOverrideMode = "The command override takes auto, on or off.";
inline constexpr const char *CliUntilTime = "--until takes a time of day as HH:MM, for example 15:30.";
inline constexpr const char *CliSinceDate =
    "--since takes a UTC date as YYYY-MM-DD or a date and time as YYYY-MM-DDTHH:MM, for example 2025-03-01.";
inline constexpr const char *CliConfigNeeds = "history --config takes --serial and --out, and nothing else.";
inline constexpr const char *CliConfigNumber = "--config takes the number (ID) of a recorded action.";
inline constexpr const char *CliStdinOnce =
    "Standard input (\"-\") can be read only once: give --in or --settings a file.";
inline constexpr const char *CliNoConfig = "No configuration %s is recorded for the Beacon %s.";
inline constexpr const char *CliConfigSaved = "Configuration %d of the Beacon %s saved to %s";
inline constexpr const char *CliNoLibrary = "No library database at %s: nothing has been recorded.";
inline constexpr const char *CliArchiveEmpty = "No events of the Beacon %s are archived.";

// Reports (report window and command-line tool)
inline constexpr const char *ReportExportTitle = "Export to PDF";
inline constexpr const char *ReportExporting = "Exporting page %d of %d...";
inline constexpr const char *CliReportKind = "The command report takes config or events.";
inline constexpr const char *CliReportSaved = "%d page(s) written to %s";
}

namespace MsgDetail {
inline QString arg(const QString &s) { return s; }
inline QString arg(const char *s) { return QString::fromUtf8(s); }
inline QString arg(const QByteArray &s) { return QString::fromUtf8(s); }
template <typename T> QString arg(T n) { return QString::number(n); }
QString format(const QString &pattern, const QStringList &args);
}

// Fills "%s" and "%d" placeholders in order; "%%" is a literal percent sign.
template <typename... Args>
QString Fmt(const QString &pattern, const Args &...args)
{
    return MsgDetail::format(pattern, QStringList{MsgDetail::arg(args)...});
}
