#include "sim/beaconsimulator.h"

#include "link/frame.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <unistd.h>

namespace {
// Bytes of a frame that stays incomplete this long are taken as noise.
constexpr int FrameGapMs = 500;
// One byte on the line: start bit, 8 data bits and stop bit at 115200 baud.
constexpr std::chrono::nanoseconds ByteTime(10 * 1000000000LL / 115200);
// A paced reply is handed over this many bytes at a time, each batch when its
// last byte would have arrived, as a UART's receive FIFO would.
constexpr int PacedBatch = 8;
// A changed character: neither a hex digit nor the start mark.
constexpr char ChangedCharacter = 'X';
}

TBeaconSimulator::TBeaconSimulator(const TSimOptions &options)
    : fOptions(options), fFaults(options), fController(options.serial, options.board, options.firmware),
      fDevicePath(fPty.SlavePath()), fPort(options.name, fDevicePath)
{
    // A log that cannot be written is said before anything else is made;
    // "-" is standard output.
    if (!options.logFile.isEmpty()) {
        bool open = false;
        if (options.logFile == QLatin1String("-")) {
            open = fLogFile.open(stdout, QIODevice::WriteOnly | QIODevice::Text);
        } else {
            fLogFile.setFileName(options.logFile);
            open = fLogFile.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
        }
        if (!open)
            throw std::runtime_error("cannot write the frame log " + options.logFile.toStdString() + ": " +
                                     fLogFile.errorString().toStdString());
    }
    if (::pipe2(fWake, O_CLOEXEC) != 0)
        throw std::runtime_error("cannot create the simulator's wake-up pipe");
    fThread = std::thread([this] { Serve(); });
}

TBeaconSimulator::~TBeaconSimulator()
{
    fStop = true;
    (void)!::write(fWake[1], "s", 1);
    if (fThread.joinable())
        fThread.join();
    fPty.Close();
    fPort.Unregister();
    ::close(fWake[0]);
    ::close(fWake[1]);
}

void TBeaconSimulator::CloseLine()
{
    if (!fLineOpen)
        return;
    fHangUpRequested = true;
    (void)!::write(fWake[1], "h", 1);
    while (fLineOpen)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

QList<TFrameLogEntry> TBeaconSimulator::FrameLog() const
{
    QMutexLocker lock(&fMutex);
    return fLog;
}

QList<QByteArray> TBeaconSimulator::Received() const
{
    QList<QByteArray> texts;
    for (const TFrameLogEntry &entry : FrameLog()) {
        if (entry.direction == QLatin1String("RX"))
            texts << entry.text;
    }
    return texts;
}

void TBeaconSimulator::ClearFrameLog()
{
    QMutexLocker lock(&fMutex);
    fLog.clear();
}

void TBeaconSimulator::QueueRawReply(const QByteArray &text)
{
    QMutexLocker lock(&fMutex);
    fRawReplies.enqueue(text);
}

void TBeaconSimulator::QueueFaults(const TSimOptions &faults)
{
    QMutexLocker lock(&fMutex);
    fQueuedFaults.enqueue(faults);
}

void TBeaconSimulator::ClearQueuedFaults()
{
    QMutexLocker lock(&fMutex);
    fQueuedFaults.clear();
}

void TBeaconSimulator::WithController(const std::function<void(TBeaconController &)> &work)
{
    QMutexLocker lock(&fMutex);
    work(fController);
}

void TBeaconSimulator::Serve()
{
    // A UART keeps its time to the bit; the kernel's default timer slack of
    // 50 microseconds would add half a byte to every paced wait.
    ::prctl(PR_SET_TIMERSLACK, 1UL);
    QByteArray pending;
    for (;;) {
        pollfd fds[2] = {{fPty.MasterFd(), POLLIN, 0}, {fWake[0], POLLIN, 0}};
        const int ready = ::poll(fds, 2, pending.isEmpty() ? -1 : FrameGapMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (fds[1].revents & POLLIN) {
            char drain[16];
            (void)!::read(fWake[0], drain, sizeof drain);
        }
        if (fStop)
            return;
        if (fHangUpRequested) {
            HangUp();
            return;
        }
        if (ready == 0) { // an unfinished frame went quiet
            Log("RX", pending);
            pending.clear();
            continue;
        }
        if (fds[0].revents & POLLIN) {
            char buffer[4096];
            const ssize_t n = ::read(fPty.MasterFd(), buffer, sizeof buffer);
            if (n > 0) {
                // The bytes left the workstation just now; on the wire they
                // arrive one after the other.
                fReceivedBy = std::max(std::chrono::steady_clock::now(), fReceivedBy) + n * ByteTime;
                pending.append(buffer, int(n));
                TakeFrames(pending);
                if (!fLineOpen)
                    return;
            }
        } else if (fds[0].revents & (POLLHUP | POLLERR)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10)); // not expected while we hold the slave
        }
    }
}

void TBeaconSimulator::TakeFrames(QByteArray &pending)
{
    while (!pending.isEmpty() && !fStop && !fHangUpRequested) {
        const qsizetype start = pending.indexOf('!');
        if (start != 0) {
            const QByteArray junk = start < 0 ? pending : pending.left(start);
            Log("RX", junk);
            pending.remove(0, junk.size());
            continue;
        }
        if (pending.size() < 5)
            return;
        const int cmd = HexValue(pending.mid(1, 2));
        const int length = HexValue(pending.mid(3, 2));
        if (cmd < 0 || length < 0) {
            Log("RX", pending.left(1));
            pending.remove(0, 1);
            continue;
        }
        if (pending.size() < 5 + 2 * length)
            return;
        const QByteArray frame = pending.left(5 + 2 * length);
        pending.remove(0, frame.size());
        {
            QMutexLocker lock(&fMutex);
            fFaults = fQueuedFaults.isEmpty() ? fOptions : fQueuedFaults.dequeue();
        }
        if (fFaults.paced && !PauseUntil(fReceivedBy - pending.size() * ByteTime))
            return; // the frame's last byte is in when the bytes after it have yet to come
        Log("RX", frame);
        if (fFaults.closeAfter > 0 && ++fFramesReceived >= fFaults.closeAfter) {
            HangUp();
            return;
        }
        fPendingAfterFrame = pending.size();
        Answer(quint8(cmd), frame.mid(5));
    }
}

void TBeaconSimulator::Answer(quint8 cmd, const QByteArray &payload)
{
    QByteArray reply;
    {
        QMutexLocker lock(&fMutex);
        if (!fRawReplies.isEmpty()) {
            reply = fRawReplies.dequeue();
        } else {
            if (fFaults.silent || fFaults.ignore.contains(cmd))
                return;
            const std::optional<QByteArray> answer = fController.Handle(cmd, payload);
            if (!answer)
                return;
            if (fFaults.dropEvery > 0 && ++fRepliesDue % fFaults.dropEvery == 0)
                return;
            QByteArray frame = BuildFrame(cmd, *answer);
            if (fFaults.lowercase)
                frame = frame.toLower();
            if (fFaults.damageEvery > 0 && ++fRepliesSent % fFaults.damageEvery == 0)
                frame = Damaged(frame);
            reply = fFaults.noise + frame;
        }
    }
    if (!Pause(fFaults.replyDelayMs))
        return;
    pollfd waiting{fPty.MasterFd(), POLLIN, 0};
    if (fPendingAfterFrame > 0 || (::poll(&waiting, 1, 0) == 1 && (waiting.revents & POLLIN)))
        ++fRequestsWhileOwed;
    Send(reply);
}

QByteArray TBeaconSimulator::Damaged(const QByteArray &frame)
{
    const int at = int(fDamageChoice() % quint32(frame.size()));
    QByteArray damaged = frame;
    if (fFaults.damage == TDamage::Drop)
        damaged.remove(at, 1);
    else
        damaged[at] = ChangedCharacter;
    return damaged;
}

void TBeaconSimulator::Send(const QByteArray &text)
{
    if (fFaults.paced && fFaults.byteGapMs <= 0) {
        SendPaced(text);
        return;
    }
    qsizetype sent = 0;
    if (fFaults.byteGapMs > 0) {
        while (sent + 1 < text.size()) {
            const bool written = fPty.Write(text.mid(sent, 1));
            sent += written;
            if (!written || !Pause(fFaults.byteGapMs)) {
                Log("TX", text.left(sent));
                return;
            }
        }
    }
    SendLast(text, sent);
}

void TBeaconSimulator::SendPaced(const QByteArray &text)
{
    // Byte i is in at the workstation one byte time after byte i - 1, and the
    // first once the line is free.
    const auto start = std::max(std::chrono::steady_clock::now(), fSendingUntil);
    qsizetype sent = 0;
    for (;;) {
        const qsizetype batchEnd = std::min<qsizetype>(text.size(), sent + PacedBatch);
        if (!PauseUntil(start + batchEnd * ByteTime)) {
            Log("TX", text.left(sent));
            break;
        }
        if (batchEnd == text.size()) {
            SendLast(text, sent);
            sent = batchEnd;
            break;
        }
        if (!fPty.Write(text.mid(sent, batchEnd - sent))) {
            Log("TX", text.left(sent));
            break;
        }
        sent = batchEnd;
    }
    fSendingUntil = start + sent * ByteTime;
}

void TBeaconSimulator::SendLast(const QByteArray &text, qsizetype from)
{
    // Logged first: a workstation that has read the reply to its end finds it
    // in the log. The write fails only on a line that is gone, where nobody
    // reads any more.
    Log("TX", text);
    fPty.Write(text.mid(from));
}

bool TBeaconSimulator::Pause(int msec)
{
    if (msec <= 0)
        return true;
    pollfd fd{fWake[0], POLLIN, 0};
    return ::poll(&fd, 1, msec) == 0; // the wake-up pipe only speaks to stop or hang up
}

bool TBeaconSimulator::PauseUntil(std::chrono::steady_clock::time_point then)
{
    const auto wait = then - std::chrono::steady_clock::now();
    if (wait <= std::chrono::nanoseconds::zero())
        return true;
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait);
    const timespec timeout{time_t(seconds.count()),
                          long(std::chrono::duration_cast<std::chrono::nanoseconds>(wait - seconds).count())};
    pollfd fd{fWake[0], POLLIN, 0};
    return ::ppoll(&fd, 1, &timeout, nullptr) == 0;
}

void TBeaconSimulator::Log(const char *direction, const QByteArray &text)
{
    const TFrameLogEntry entry{QDateTime::currentDateTime(), QString::fromLatin1(direction), text};
    QMutexLocker lock(&fMutex);
    fLog.append(entry);
    if (fLogFile.isOpen()) {
        fLogFile.write(entry.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ")).toUtf8() + direction + ' ' +
                       text + '\n');
        fLogFile.flush();
    }
}

void TBeaconSimulator::HangUp()
{
    fPty.Close();
    fLineOpen = false;
    fPort.Unregister();
}
