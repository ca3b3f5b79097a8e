#include "fuzzline.h"

#include "link/frame.h"

#include <QDeadlineTimer>
#include <QFile>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {
// How long the terminal may take to pass bytes on; far more than it ever does.
constexpr int DeliveryMs = 2000;

int Waiting(int fd)
{
    int count = 0;
    return ::ioctl(fd, FIONREAD, &count) == 0 ? count : 0;
}
}

TFuzzLine::TFuzzLine()
    : fLinkEnd(::open(QFile::encodeName(fPty.SlavePath()).constData(), O_RDWR | O_NOCTTY | O_CLOEXEC)),
      fNotifier(fPty.MasterFd(), QSocketNotifier::Read)
{
    if (fLinkEnd < 0)
        qFatal("cannot open the fuzz line");
    QObject::connect(&fNotifier, &QSocketNotifier::activated, [this] { Serve(); });
    fLink.tmrPortCheck.SetEnabled(false);
    fLink.SetPortName(fPty.SlavePath());
    fLink.SetReadTimeouts(0, 1, 5);
    fLink.SetReplyWait(5);
    fLink.Open();
}

TFuzzLine::~TFuzzLine()
{
    ::close(fLinkEnd);
}

void TFuzzLine::Put(const QByteArray &bytes)
{
    const int expected = Waiting(fLinkEnd) + int(bytes.size());
    if (!fPty.Write(bytes))
        qFatal("the fuzz line is gone");
    for (const QDeadlineTimer deadline(DeliveryMs); Waiting(fLinkEnd) < expected;)
        if (deadline.hasExpired())
            qFatal("the fuzz line holds bytes back");
}

void TFuzzLine::Discard(int count)
{
    for (const QDeadlineTimer deadline(DeliveryMs); count > 0 && !deadline.hasExpired();)
        count -= int(fPty.Read(1).size());
    if (count > 0)
        qFatal("the fuzz line lost bytes");
    fPending.clear();
}

void TFuzzLine::Serve()
{
    fPending += fPty.Read(0);
    // The link writes whole frames only; anything else is dropped.
    for (qsizetype start = fPending.indexOf('!'); start >= 0; start = fPending.indexOf('!')) {
        fPending.remove(0, start);
        const std::optional<TFrame> frame = ParseFrame(fPending);
        if (!frame)
            return;
        fLastRequest = fPending.left(5 + 2 * frame->length);
        fPending.remove(0, fLastRequest.size());
        if (Answer)
            Put(Answer(frame->cmd, frame->payload));
    }
    fPending.clear();
}
