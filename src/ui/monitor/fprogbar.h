#pragma once
#include "config/processinstance.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

// "Loading Events...": how far the event-log download has come, with Abort.
// Not modal; its close box aborts as Abort does. Created once at start-up.
class TfProgBar : public QWidget, public TProcessInstance<TfProgBar> {
    Q_OBJECT
public:
    explicit TfProgBar(QWidget *parent = nullptr);

    static constexpr const char *kMissingInstance = "The event download window does not exist.";

    // Shows the window centred on owner with the bar at 0 and the abort flag
    // clear; it stays until Finish, when the download has ended.
    void Start(const QWidget *owner);
    void Finish();
    bool Aborted() const { return fAbort; }
    void btnlbProgBarClick() { fAbort = true; }

    QLabel *lblProgBar;
    QProgressBar *pbProgBar;
    QPushButton *btnlbProgBar;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    bool fAbort = false;
    bool fRunning = false;
};
