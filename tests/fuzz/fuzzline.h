#pragma once
// The controller's end of a real line for the fuzz targets: a pseudo-terminal
// whose far side the process-wide link module opens, served from the same
// thread. Whatever the link sends is read during its own waits, and each
// whole request frame is answered at once with what Answer gives, so an
// exchange costs no timer and runs the same on every execution.
#include "link/dmcom.h"
#include "sim/pseudoterminal.h"

#include <QByteArray>
#include <QSocketNotifier>
#include <functional>

class TFuzzLine {
public:
    // Needs a QCoreApplication. The link's poller is off; its read timeouts
    // are short, since every reply is there whole before the link reads.
    TFuzzLine();
    ~TFuzzLine();
    TFuzzLine(const TFuzzLine &) = delete;
    TFuzzLine &operator=(const TFuzzLine &) = delete;

    // The reply text to a request (command and payload as sent); nothing
    // leaves the line unanswered.
    std::function<QByteArray(quint8 cmd, const QByteArray &payload)> Answer;
    // The last request frame the link sent, whole.
    const QByteArray &LastRequest() const { return fLastRequest; }
    // Puts bytes on the line towards the link, and returns once the link's
    // end can read them all: the terminal passes them on in the background.
    void Put(const QByteArray &bytes);
    // Reads and drops count bytes the link sent, waiting for them as Put does.
    void Discard(int count);
    TdmCOM &Link() { return fLink; }

private:
    void Serve();

    TPseudoTerminal fPty;
    int fLinkEnd = -1; // the link's end, opened once more to see what waits there
    QSocketNotifier fNotifier;
    QByteArray fPending;
    QByteArray fLastRequest;
    TdmCOM fLink;
};
