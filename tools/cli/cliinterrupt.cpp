#include "cliinterrupt.h"

#include "link/dmcom.h"

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
int gPipe[2] = {-1, -1};
struct sigaction gPrevious;

void OnInterrupt(int)
{
    const char byte = 0;
    (void)!::write(gPipe[1], &byte, 1);
}
}

TInterruptAborts::TInterruptAborts(TdmCOM &link)
{
    if (::pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // Ctrl-C then ends the program, as everywhere else
    fNotifier = new QSocketNotifier(gPipe[0], QSocketNotifier::Read);
    QObject::connect(fNotifier, &QSocketNotifier::activated, fNotifier, [&link] {
        char drain[16];
        (void)!::read(gPipe[0], drain, sizeof drain);
        link.Abort();
    });
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, &gPrevious);
}

TInterruptAborts::~TInterruptAborts()
{
    if (!fNotifier)
        return;
    ::sigaction(SIGINT, &gPrevious, nullptr);
    delete fNotifier;
    ::close(gPipe[0]);
    ::close(gPipe[1]);
    gPipe[0] = gPipe[1] = -1;
}
