#pragma once
#include <QWidget>

class QLabel;
class QProgressBar;

// The discovery window: shows how far the search for a connected controller
// has come while every port is probed at once. Created once at start-up; the
// connection switch shows it around a Scan and closes it afterwards. While it
// is shown the other windows take no input, so the operator cannot start a
// second connection from inside the search.
class TfrmPortSearch : public QWidget {
    Q_OBJECT
public:
    explicit TfrmPortSearch(QWidget *parent = nullptr);
    ~TfrmPortSearch() override;

    static TfrmPortSearch &Instance();

    // Probes the system's ports for the full search time and returns the port
    // on which a controller answered (the last in the port list when several
    // did), or an empty text.
    QString Scan();

    QLabel *lblStatus;
    QProgressBar *pBar;

protected:
    void showEvent(QShowEvent *event) override;
};
