#pragma once
#include <QSocketNotifier>

class TdmCOM;

// While it lives, Ctrl-C (SIGINT) aborts the link's abortable operation at
// once, as the window's Abort button does, instead of ending the program.
// The signal handler only writes to a pipe; the link's waits run the event
// loop that hears it.
class TInterruptAborts {
public:
    explicit TInterruptAborts(TdmCOM &link);
    ~TInterruptAborts();
    TInterruptAborts(const TInterruptAborts &) = delete;
    TInterruptAborts &operator=(const TInterruptAborts &) = delete;

private:
    QSocketNotifier *fNotifier = nullptr;
};
