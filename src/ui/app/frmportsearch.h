#pragma once
#include "config/processinstance.h"
#include "link/portsearch.h"

#include <QWidget>

class QLabel;
class QProgressBar;

// The discovery window: shows how far the search for a connected controller
// has come while every port is probed at once. Created once at start-up; the
// connection switch shows it around a Scan and closes it afterwards. While it
// is shown the other windows take no input, so the operator cannot start a
// second connection from inside the search.
class TfrmPortSearch : public QWidget, public TProcessInstance<TfrmPortSearch> {
    Q_OBJECT
public:
    explicit TfrmPortSearch(QWidget *parent = nullptr);

    static constexpr const char *kMissingInstance = "The discovery window does not exist.";

    // Probes the system's ports and the remembered network beacons for the
    // full search time and reports where a controller answered (the port to use is the last in the port list when
    // several did) and which ports this user may not open.
    TScanResult Scan();

    QLabel *lblStatus;
    QProgressBar *pBar;

protected:
    void showEvent(QShowEvent *event) override;
};
