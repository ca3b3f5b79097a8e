#pragma once
// What link_soak holds the link to: single codec exchanges and the results
// they must leave, compared with the simulated controller's true state.
#include "eventlog/eventdownload.h"
#include "protocol/beaconprotocol.h"
#include "sim/beaconcontroller.h"
#include "sim/beaconsimulator.h"
#include "store/calendar.h"
#include "store/schedule.h"

#include <QList>
#include <QString>
#include <random>

// One exchange through a codec: a read, whose results in memory start from
// values no reply gives, or a write of random values.
class TSoakOperation {
public:
    enum TKind {
        ReadCommMode, ReadAdvanced, ReadDst, ReadSchedule, ReadCalendar, ReadCalendarName, ReadEvent, ReadClock,
        ReadLiveValues, ReadOverrideStatus, ReadIdentity, WriteCommMode, WriteAdvanced, WriteDst, WriteSchedule,
        WriteCalendar, WriteCalendarName, Kinds
    };
    // A kind at random, the event and name reads the most often (they are
    // the ones a download repeats for slot after slot); now and then the
    // previous kind again, for another slot.
    static TKind Pick(std::mt19937 &rng, TKind previous);

    // Sets the memory the exchange reads into, or the values it writes.
    TSoakOperation(TKind kind, std::mt19937 &rng);
    TKind Kind() const { return fKind; }
    QString Name() const;
    // The characters of the reply frame.
    int ReplyChars() const;
    // True when the exchange succeeded; a lost line raises its Exception.
    bool Run();
    // Empty when the result keeps the link's promise: after a success the
    // memory holds the controller's values (or the controller holds what was
    // written), after a failure a read changed nothing and a write left the
    // old or the new value.
    QString Check(bool succeeded, const TBeaconController &before, const TBeaconController &after) const;

private:
    TKind fKind;
    int fIndex = 0;
    qint64 fStartedMs = 0;
    type_events_record fEvent;
    QByteArray fIdentity;
    TBeaconSettings fWritten;
    QList<TScheduleRec> fSchedule;
    QList<TCalendarRec> fCalendar;
};

// Memory no reply gives: the beacon settings, both tables (16 calendar
// records named "?", so a name read has a record to go into), the status.
void SetSentinels();
// A random configuration the controller can hold, in BeaconSettings,
// DeviceSchedule and DeviceCalendar, for an upload.
void SetRandomConfiguration(std::mt19937 &rng);
// Empty when BeaconSettings (without the clock), DeviceSchedule and
// DeviceCalendar hold what the controller does; else the first difference.
QString ConfigurationDiffers(const TBeaconController &truth);
// Writes what a download read to a settings file as the command-line tool
// does; returns the text it should hold.
QByteArray SaveDownloadedConfiguration(const QString &fileName);
// Empty when the download holds only the controller's events, all of them
// when it says it is complete.
QString EventsDiffer(const TEventLogDownload &download, const TBeaconController &truth);
// Whether error is what a failed step of a sequence says: the step that got
// no answer, or the lost line naming the port.
bool StepFailureText(const QString &error, const QString &port);

// The requests in a frame log (what the workstation sent, noise aside).
int CountRequests(const QList<TFrameLogEntry> &log);
// A file's bytes; empty when it is not there.
QByteArray FileBytes(const QString &fileName);
// This process's resident memory (VmRSS), in MB.
double ResidentMb();
