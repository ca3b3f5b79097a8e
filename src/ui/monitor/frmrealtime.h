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
    // otherwise be retried, and reported, every tick.
    void tmrScanTimer();
    int Step() const { return fDiagnostics.Step(); }

    QLabel *lblStatusTime;
    QLabel *lblStatusDate;
    QLabel *lblStatusVoltage;
    QLabel *lblStatusBeacon;
    QLabel *lblStateOverride;
    QLabel *lblSwitchState;
    QPushButton *btnClose;
    QTimer tmrScan;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void ShowFields();

    TDiagnostics fDiagnostics;
    bool fStopped = false;
};
