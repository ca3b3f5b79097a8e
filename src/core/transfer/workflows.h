#pragma once
#include <QString>

// The progress window's log as the transfer workflows drive it; the window
// and the command-line tool each implement it.
class TProgressLog {
public:
    virtual ~TProgressLog() = default;
    virtual void Clear() = 0;
    virtual void Add(const QString &line) = 0;
    // Replaces the last line, so a counting line stays one line.
    virtual void ReplaceLast(const QString &line) = 0;
    // True once the operator has closed the progress window: the calendar
    // name loop ends early, without an error.
    virtual bool Closed() const = 0;
};

// A log nobody reads: the visits of a sweep, whose result and register tell
// what happened, and the benchmarks.
class TSilentLog final : public TProgressLog {
public:
    void Clear() override {}
    void Add(const QString &) override {}
    void ReplaceLast(const QString &) override {}
    bool Closed() const override { return false; }
};

// Raises "Exception while processing %s" naming item when a step of a
// sequence got no answer from the controller.
void RequireAnswer(bool answered, const QString &item);

// Refuses, with an Exception naming the item, a configuration that an upload
// with these options could not send whole: a value too wide for its field, a
// name too long, more records than the controller holds. Nothing is sent.
void CheckUploadConfiguration(bool withAdvanced, bool withSchedule, bool withHolidays);

// Writes BeaconSettings (communication mode, advanced settings and DST rule),
// the clock, DeviceSchedule, DeviceCalendar and the names of all its records
// to the controller. The log is cleared and the configuration checked first;
// then the identity poll is held off for the whole sequence. The first step
// the controller does not answer raises "Exception while processing %s"
// naming its item; what went before stays written. Returns true when all steps ran.
bool UploadToBeacon(TProgressLog &logLines, bool withAdvanced, bool syncClock, bool withSchedule,
                    bool withHolidays);

// Reads the communication mode, the chosen parts, the DST rule and the names
// of all calendar records into BeaconSettings, DeviceSchedule and
// DeviceCalendar, failing like the upload; what was read before a failure
// stays in memory.
bool DownloadFromBeacon(TProgressLog &logLines, bool withSchedule, bool withHolidays, bool withAdvanced);
