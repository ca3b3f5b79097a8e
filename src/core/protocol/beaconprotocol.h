#pragma once
#include <QDateTime>
#include <QTime>
#include <array>

// The controller's configuration as held between the controller and the
// settings pages. All zero at start.
struct TBeaconSettings {
    quint8 CommMode = 0;
    quint8 BrightnessRange = 0; // high nibble lower limit level, low nibble upper limit level (0-15)
    quint8 FlashPattern = 0;
    quint8 FlashSpeed = 0;
    quint8 BeaconRole = 0;
    quint8 LinkChannel = 0;
    qint32 DstStartDay = 0; // days after 2 January 2010; -1 (1 January 2010) means no daylight saving
    qint32 DstEndDay = 0;
    qint32 DstShiftTime = 0; // minutes after midnight
    qint32 DstOffset = 0;    // minutes
    QDateTime ClockValue;    // the controller's clock as last read
};

// The last live values and states read from the controller.
struct TBeaconStatus {
    std::array<qint32, 8> LiveValues{}; // 0-65535 each; index 1 is the supply voltage
    bool BeaconOn = false;
    quint8 SwitchPosition = 0; // 0 AUTO, 1 ON, 2 OFF
    quint8 OverrideState = 0;  // 0 not active, 1 overridden to ON, 2 overridden to OFF
};

// One record of the controller's event log.
struct type_events_record {
    qint16 day_num = 0;     // days after 1 January 2010
    qint16 minutes_num = 0; // minutes after midnight
    qint8 event_type = 0;
    qint16 parms[3] = {0, 0, 0}; // first voltage, second voltage, brightness; raw
};

extern TBeaconSettings BeaconSettings;
extern TBeaconStatus BeaconStatus;

// Brightness: the settings page's percent (10 to 100 in steps of 10) and the
// controller's level (0 to 15), rounding halves to even.
quint8 BrightnessLevelFromPercent(int percent);
int BrightnessPercentFromLevel(int level);

// The command codecs. Each runs one exchange with the controller through
// dmCOM(). A missing reply gives false (or -1 for the two list reads) and
// changes nothing in memory. A value that does not fit its field on the wire
// is refused with an Exception naming the item and the value, before
// anything is sent; errors of the line propagate as Exceptions.

// Settings and clock
bool WriteCommMode();
bool ReadCommMode();
bool WriteClock(const QDateTime &value);
// Also false for an impossible date or time in the reply.
bool ReadClock();
bool WriteAdvancedSettings();
bool ReadAdvancedSettings();
// A DST day of -1 (no daylight saving) goes out as a rule that starts and
// ends on day 0, a past date, so the controller never shifts; reading such a
// rule back gives -1 for both days.
bool WriteDstSettings();
bool ReadDstSettings();

// Schedule and calendar of the beacon (DeviceSchedule, DeviceCalendar).
// The controller holds 16 records of each; more are refused.
bool WriteSchedule();
// The number of slots examined, or -1 when the exchange failed.
int ReadSchedule();
bool WriteCalendar();
int ReadCalendar();
// The name of calendar record index, at most 15 characters.
bool WriteCalendarName(quint8 index);
// Stores the name in the record the reply names, if it exists.
bool ReadCalendarName(quint8 index);

// Status, override and events
bool ReadLiveValues();
bool ReadOverrideStatus();
// mode 0 back to the schedule, 1 on, 2 off, until end (seconds dropped).
bool WriteOverride(quint8 mode, const QTime &end);
// On a missing reply the record keeps what it held.
void ReadEventRecord(quint8 index, type_events_record &record);
