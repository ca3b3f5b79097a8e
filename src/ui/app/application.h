#pragma once
#include <QApplication>

// The application object. Exceptions are caught at the boundary of each
// operator action (RunAction), before they reach any of Qt's code; notify()
// is only the last net for one that got past, reporting it after the event
// has unwound rather than from inside it.
class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};
