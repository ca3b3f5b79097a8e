#pragma once
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTime>

// The manual override: mode 0 "Auto" (back to the schedule), 1 "Turn ON",
// 2 "Turn OFF", until the given time of day (minutes; "Auto" always sends
// midnight). One exchange, with the identity poll running; the outcome is
// shown through the message service. True when the controller answered.
bool SendOverride(quint8 mode, const QTime &until);

// Supply voltage in volts from the controller's raw live value.
double SupplyVoltage(int raw);

// The real-time diagnostics: the six field texts and the poll step counter.
// The window keeps one instance for the whole run, so a reopened window
// continues the cycle where it stopped.
class TDiagnostics {
public:
    explicit TDiagnostics(const QLocale &locale = QLocale::system());

    // One tick of the window's timer: 0 reads the clock, 1 refreshes the
    // fields, 2 reads the live values, 3 the override status. Results of the
    // reads are not examined. The counter moves on only when the step ended
    // without an error, so a failed step is tried again.
    void Tick();
    int Step() const { return fStep; }

    // The fields from the values last read (BeaconSettings.ClockValue and BeaconStatus).
    void Refresh();
    // When the newest reading the fields show was answered; invalid while
    // they show none.
    const QDateTime &ShownReadAt() const { return fShownReadAt; }
    // What to say under fields that are no longer current: when they were read.
    QString StaleNote() const;

    // One whole cycle at once, for the command line: the three reads, then
    // the fields. A read the controller does not answer raises "Exception
    // while processing %s" naming its item.
    void RunCycle();

    // Each text starts with a blank; " ..." until first filled.
    QString lblStatusTime, lblStatusDate, lblStatusVoltage, lblStatusBeacon, lblStateOverride, lblSwitchState;
    // The six texts in screen order: time, date, voltage, beacon, override, switch.
    QStringList Fields() const;

private:
    void NoteRead(bool answered);

    QLocale fLocale;
    int fStep = 0;
    QDateTime fLastReadAt;
    QDateTime fShownReadAt;
};
