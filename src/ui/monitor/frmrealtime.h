#pragma once
#include "config/processinstance.h"
#include "transfer/monitoring.h"

#include <QDialog>
#include <QTimer>

class QLabel;
class QPushButton;

// "Real-Time Diagnostics": the controller's clock, supply voltage, beacon,
// override and switch states, polled one command per tick of tmrScan while
// the window is open. Created once at start-up; the poll cycle and the field
// texts carry over from one opening to the next.
class TfrmRealTime : public QDialog, public TProcessInstance<TfrmRealTime> {
    Q_OBJECT
public:
    explicit TfrmRealTime(QWidget *parent = nullptr);

    static constexpr const char *kMissingInstance = "The real-time diagnostics window does not exist.";

    // One step of the poll cycle. An error of the link stops the polling
    // until the window is opened again and is shown once: a failed step would
    // otherwise be retried, and reported, every tick. The fields are then
    // greyed, with the time of their reading under them, until the window
    // is opened again.
    void tmrScanTimer();
    int Step() const { return fDiagnostics.Step(); }
    bool Stale() const { return fStale; }

    QLabel *lblStatusTime;
    QLabel *lblStatusDate;
    QLabel *lblStatusVoltage;
    QLabel *lblStatusBeacon;
    QLabel *lblStateOverride;
    QLabel *lblSwitchState;
    QLabel *lblStale; // empty while the fields are current
    QPushButton *btnClose;
    QTimer tmrScan;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void ShowFields();
    QList<QLabel *> Fields() const;
    void MarkStale(bool stale);

    TDiagnostics fDiagnostics;
    bool fStale = false;
};
