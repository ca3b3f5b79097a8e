#pragma once
#include "config/processinstance.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

// "Loading Events...": how far the event-log download has come, with Abort.
// Not modal; closing it aborts as Abort does. Created once at start-up.
class TfProgBar : public QWidget, public TProcessInstance<TfProgBar> {
    Q_OBJECT
public:
    explicit TfProgBar(QWidget *parent = nullptr);

    static constexpr const char *kMissingInstance = "The event download window does not exist.";

    // Shows the window centred on owner with the bar at 0 and the abort flag clear.
    void Start(const QWidget *owner);
    bool Aborted() const { return fAbort; }
    // Sets the abort flag and ends the link's wait in progress at once.
    void btnlbProgBarClick();

    QLabel *lblProgBar;
    QProgressBar *pbProgBar;
    QPushButton *btnlbProgBar;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    bool fAbort = false;
};
