#pragma once
// The operator texts of a beacon's visit and of the sweep; "%s" and "%d" are
// filled in order by Fmt() (config/messages.h).
namespace Msg {
inline constexpr const char *VisitWrongSerial = "answers as serial %s, the inventory says %s";
inline constexpr const char *VisitSerialTaken = "answers as serial %s, which the inventory gives to %s";
inline constexpr const char *VisitNoAssigned = "no configuration assigned";
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
inline constexpr const char *SweepUnknownBeacon = "No beacon named \"%s\" in the fleet.";
inline constexpr const char *SweepVisitName = "The command fleet visit takes the name of a beacon.";
inline constexpr const char *SweepJobs = "--jobs takes a number from 1 to %d.";
inline constexpr const char *SweepVerifyNeedsUpload = "--verify goes with --upload-assigned.";
} // namespace Msg
