#include "link/dmcom.h"

#include "config/appconfig.h"
#include "config/exceptions.h"
#include "config/messages.h"
#include "link/frame.h"
#include "config/netsettings.h"
#include "link/netaddress.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QScopeGuard>
#include <QTimer>
#include <utility>

namespace {
// How long a frame's payload may take to arrive once its header is in.
constexpr int PayloadWaitMs = 2500;
}

ELinkAborted::ELinkAborted() : Exception(QString::fromUtf8(Msg::LinkAborted)) {}

TdmCOM::TdmCOM(QObject *parent)
    : QObject(parent), tmrPortCheck(nullptr, 1000), fPortName(TAppConfig::DefaultPortName()), fScanActive(true)
{
    tmrPortCheck.OnTimer = [this] { tmrPortCheckTimer(); };
    tmrPortCheck.SetEnabled(true);
}

TdmCOM::~TdmCOM()
{
    tmrPortCheck.SetEnabled(false);
    Close();
}

void TdmCOM::Open()
{
    if (UniConnected())
        return;
    fLineFailure.clear();
    fLossReported = false;
    fLastReplyMs = -1;
    if (!fLine || fLineName != fPortName) {
        if (fLine)
            fLine.release()->deleteLater(); // it may be in the middle of telling something
        fLine = MakeByteLine(fPortName);
        fLineName = fPortName;
        connect(fLine.get(), &TByteLine::Failed, this, &TdmCOM::LineFailed);
        connect(fLine.get(), &TByteLine::ReadyRead, this, &TdmCOM::NoteInput);
    }
    fLine->Open();
    if (IsNetworkAddress(fPortName))
        RememberNetworkBeacon(fPortName);
}

void TdmCOM::Close()
{
    if (UniConnected() && fLineFailure.isEmpty()) {
        try {
            SettleLine();
        } catch (...) {
            // The line failed meanwhile; it is closed all the same.
        }
    }
    fLineFailure.clear();
    ForgetOwed();
    if (fLine)
        fLine->Close();
}

void TdmCOM::SetReadTimeouts(int intervalMs, int perByteMs, int constantMs)
{
    fReadInterval = intervalMs;
    fReadPerByte = perByteMs;
    fReadConstant = constantMs;
}

void TdmCOM::LineFailed(const QString &text)
{
    if (!fLineFailure.isEmpty())
        return;
    fLineFailure = text;
    // After a hang-up the serial layer raises the error again on every turn of
    // the event loop until the port is closed. Closing from inside its own
    // notification is not safe, so close as soon as the loop is back.
    QMetaObject::invokeMethod(
        this, [this] {
            if (!fLineFailure.isEmpty() && fLine)
                fLine->Close();
        },
        Qt::QueuedConnection);
}

void TdmCOM::RaiseLineFailure()
{
    const QString text = fLineFailure;
    fLineFailure.clear();
    if (fLine)
        fLine->Close();
    Fail(text);
}

void TdmCOM::Fail(const QString &systemText)
{
    if (fActivity.isEmpty())
        throw Exception(Fmt(Msg::LinkLost, fPortName, systemText));
    fLossReported = !UniConnected();
    throw Exception(Fmt(Msg::LinkLostWhile, fPortName, fActivity, systemText));
}

void TdmCOM::Wait(int msec, bool window, const std::function<bool()> &done)
{
    if (fAbortRequested)
        throw ELinkAborted();
    QEventLoop loop;
    const auto check = [&] {
        if (!fLineFailure.isEmpty() || (done && done()))
            loop.quit();
    };
    if (fLine) {
        // LineFailed was connected first, so a failure is recorded before check runs.
        connect(fLine.get(), &TByteLine::ReadyRead, &loop, check);
        connect(fLine.get(), &TByteLine::BytesWritten, &loop, check);
        connect(fLine.get(), &TByteLine::Failed, &loop, check);
        connect(fLine.get(), &TByteLine::Closing, &loop, &QEventLoop::quit);
    }
    // A timer of the wait's own: a single-shot one would stay registered
    // until its time is up, long after a wait that ended early.
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(msec);
    QEventLoop *const outer = std::exchange(fWaitLoop, &loop);
    const auto restore = qScopeGuard([&] { fWaitLoop = outer; });
    if (window) {
        loop.exec();
    } else {
        const TThreadedTimer::THold holdTicks;
        loop.exec(fAbortable ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    }
    if (fAbortRequested)
        throw ELinkAborted();
}

void TdmCOM::Abort()
{
    if (!fAbortable)
        return;
    fAbortRequested = true;
    if (fWaitLoop)
        fWaitLoop->quit();
}

int TdmCOM::UniInputCount()
{
    return UniConnected() ? int(fLine->InputCount()) : 0;
}

int TdmCOM::UniFlushBuffer()
{
    const int count = UniInputCount();
    if (count == 0)
        return 0;
    fLine->Purge();
    return count;
}

int TdmCOM::UniWriteStr(const QByteArray &str)
{
    if (!UniConnected()) {
        try {
            Open();
        } catch (const ELineOpenError &e) {
            // Only a line lost since the switch opened it is closed here. The
            // failure names the port itself; a serial port's plain system
            // error is said once.
            const bool systemText = e.Reason() == ELineOpenError::Cause::Other && !IsNetworkAddress(fPortName);
            Fail(systemText && fLine ? fLine->ErrorText() : e.Message());
        }
    } else if (!fLineFailure.isEmpty()) {
        RaiseLineFailure();
    }
    if (!fLine->Write(str) && fLineFailure.isEmpty())
        Fail(fLine->ErrorText());
    fLine->Flush();
    if (fLine->BytesToWrite() > 0)
        Wait(100 * int(str.size()) + 1000, false, [this] { return fLine->BytesToWrite() == 0; });
    if (!fLineFailure.isEmpty())
        RaiseLineFailure();
    return int(str.size() - fLine->BytesToWrite());
}

int TdmCOM::UniReadStr(QByteArray &Str, int Count)
{
    Str.clear();
    if (!fLineFailure.isEmpty())
        RaiseLineFailure();
    if (!UniConnected())
        Fail(Fmt(Msg::LinkPortNotOpen, fPortName));
    const QDeadlineTimer total(qint64(fReadPerByte) * Count + fReadConstant);
    while (Str.size() < Count) {
        Str += fLine->Read(Count - Str.size());
        if (Str.size() >= Count)
            break;
        qint64 wait = total.remainingTime();
        if (!Str.isEmpty())
            wait = qMin<qint64>(wait, fReadInterval); // the gap allowed after a byte
        if (wait <= 0)
            break;
        Wait(int(wait), false, [this] { return fLine->BytesReady() > 0; });
        if (!fLineFailure.isEmpty())
            RaiseLineFailure();
        if (!fLine || fLine->BytesReady() == 0)
            break; // nothing more within the time allowed, or the port was closed
    }
    return int(Str.size());
}

void TdmCOM::UniDisconnect()
{
    fSignSerial.clear();
    fAttemptCount = 0;
    ForgetOwed(); // the controller is taken for gone: nothing is waited for
    Close();
}

void TdmCOM::Delay(int msec)
{
    if (msec > 0)
        Wait(msec, true, nullptr);
}

void TdmCOM::Delay(int msec, int buffer)
{
    if (UniInputCount() >= buffer || msec <= 0 || !UniConnected())
        return;
    Wait(msec, true, [this, buffer] { return UniInputCount() >= buffer; });
}

bool TdmCOM::SendMessage(quint8 cmd, const QByteArray &data)
{
    const QByteArray frame = BuildFrame(cmd, data);
    const bool whole = UniWriteStr(frame) == frame.size();
    NoteRequestSent();
    return whole;
}

void TdmCOM::NoteRequestSent()
{
    if (!ReplyOwed())
        fOwedUntil.setRemainingTime(fReplyWait, Qt::PreciseTimer);
    ++fOwed;
    fSentAt.start();
    fTimingReply = true;
}

void TdmCOM::NoteReplyCame()
{
    if (fOwed == 0) {
        fLateOwed = false; // the late reply, if one was still to come
        return;
    }
    // A controller that holds another request answers it within the reply
    // wait from now, however long it took to come to it.
    if (--fOwed > 0)
        fOwedUntil.setRemainingTime(fReplyWait, Qt::PreciseTimer);
}

void TdmCOM::ExpectAnotherReply()
{
    fOwed = 1;
    fOwedUntil.setRemainingTime(fReplyWait, Qt::PreciseTimer);
}

void TdmCOM::ForgetOwed()
{
    fOwed = 0;
    fLateOwed = fLateCarried = false;
}

void TdmCOM::NoteInput()
{
    if (fTimingReply) {
        fTimingReply = false;
        fLastReplyMs = int(fSentAt.elapsed());
    }
}

bool TdmCOM::ReplyOwed()
{
    if (fOwed > 0 && fOwedUntil.hasExpired()) {
        fOwed = 0;
        fLateOwed = true;
        fLateCarried = false;
    }
    return fOwed > 0;
}

void TdmCOM::SettleLine()
{
    if (!UniConnected()) {
        ForgetOwed();
        return;
    }
    // The poll keeps off the line meanwhile.
    const bool outer = std::exchange(fExchanging, true);
    const auto release = qScopeGuard([&] { fExchanging = outer; });
    for (;;) {
        if (!AwaitOwedReply())
            return;
        // The reply owed, or one nothing asked for (late, or left by whoever
        // used the line before): discarded whole.
        NoteReplyCame();
        WaitForQuiet();
        UniFlushBuffer();
        if (!ReplyOwed())
            return;
    }
}

bool TdmCOM::AwaitOwedReply()
{
    while (UniInputCount() == 0 && ReplyOwed() && UniConnected())
        Wait(qMax(1, int(fOwedUntil.remainingTime())), true, [this] { return UniInputCount() > 0; });
    if (!fLineFailure.isEmpty())
        RaiseLineFailure();
    return UniInputCount() > 0;
}

quint8 TdmCOM::ReceiveMessage(QByteArray &data, bool FlushBuf)
{
    bool heard = false;
    return Receive(data, FlushBuf, heard);
}

quint8 TdmCOM::Receive(QByteArray &data, bool FlushBuf, bool &heard)
{
    QByteArray header;
    heard = UniReadStr(header, 5) > 0;
    if (header.size() < 5 || header.at(0) != '!')
        return 255;
    // A header whose command or length is not hexadecimal has no payload
    // that could be trusted; it is flushed like a frame.
    QByteArray payload;
    if (const std::optional<TFrame> head = ParseFrameHeader(header)) {
        Delay(PayloadWaitMs, 2 * head->length);
        if (head->length > 0)
            UniReadStr(payload, 2 * head->length);
    }
    if (FlushBuf)
        UniFlushBuffer();
    const std::optional<TFrame> frame = ParseFrame(header + payload);
    if (!frame)
        return 255;
    data = frame->payload;
    return frame->cmd;
}

bool TdmCOM::ExchangeMessage(quint8 hdr, const QByteArray &msg, QByteArray &res, int timeout, bool FlushBuf,
                             int replyBytes, const QByteArray &replyNames)
{
    const bool outer = std::exchange(fExchanging, true);
    const auto release = qScopeGuard([&] { fExchanging = outer; });
    for (int attempt = 0; attempt < 2; ++attempt) {
        SettleLine();
        // A reply to an earlier request that went unanswered through its
        // wait may come yet, ahead of this one's.
        const bool lateBefore = std::exchange(fLateOwed, false);
        const bool lateCarried = std::exchange(fLateCarried, false);
        SendMessage(hdr, msg);
        Delay(timeout, 5);
        QByteArray payload;
        bool heard = false;
        const quint8 code = Receive(payload, FlushBuf, heard);
        if (!heard)
            continue; // still owed until its wait ends, then perhaps late
        NoteReplyCame();
        const auto fitting = [&](quint8 code, const QByteArray &payload) {
            return code == hdr && ReplyPayloadValid(payload, replyBytes) && payload.toUpper().startsWith(replyNames);
        };
        if (fitting(code, payload)) {
            if (lateBefore) {
                // Two requests were out and one reply came. When another
                // follows within the reply wait, the first answered the
                // earlier request and this one is ours; otherwise the first was.
                ExpectAnotherReply();
                if (AwaitOwedReply()) {
                    NoteReplyCame();
                    QByteArray second;
                    bool heardSecond = false;
                    const quint8 secondCode = Receive(second, FlushBuf, heardSecond);
                    if (fitting(secondCode, second))
                        payload = second;
                    WaitForQuiet();
                    UniFlushBuffer();
                    fLateOwed = false;
                } else {
                    // One of the two requests is still unanswered: its reply
                    // may yet reach the next request. Once only, so that a
                    // reply that never comes does not slow every exchange.
                    fLateOwed = fLateCarried = !lateCarried;
                }
            }
            res = payload;
            return true;
        }
        const bool whole = code == hdr && ReplyPayloadValid(payload, replyBytes);
        // A whole frame for another command, or naming another record,
        // answered another request: this one's reply is still to come.
        const bool another = (code != 255 && code != hdr) || whole;
        if (another || lateBefore) {
            ExpectAnotherReply();
        } else {
            WaitForQuiet(); // a spoiled reply, most likely this one's: let the rest of it pass
            UniFlushBuffer();
        }
    }
    SettleLine(); // nothing this exchange asked is left for the next to take
    return false;
}

void TdmCOM::WaitForQuiet()
{
    const QDeadlineTimer deadline(PayloadWaitMs);
    for (int waiting = UniInputCount(); !deadline.hasExpired() && UniConnected(); waiting = UniInputCount()) {
        Wait(qMin<int>(fReadInterval, int(deadline.remainingTime())), true,
             [&] { return UniInputCount() != waiting; });
        if (UniInputCount() == waiting)
            break;
    }
    if (!fLineFailure.isEmpty())
        RaiseLineFailure();
}

void TdmCOM::tmrPortCheckTimer()
{
    if (!fScanActive || fExchanging || !UniConnected())
        return;
    if (UniInputCount() > 0) {
        QByteArray payload;
        const quint8 code = ReceiveMessage(payload, true);
        NoteReplyCame();
        if (code == cmdIdentity) {
            TakeIdentity(payload);
            fAttemptCount = 0;
        }
    }
    if (fAttemptCount >= MaxAttempts) {
        UniDisconnect();
        return;
    }
    // The wait for a reply's payload may have let an operation take the line.
    if (fScanActive && UniConnected() && !ReplyOwed())
        SendMessage(cmdIdentity, {});
    ++fAttemptCount;
}

void TdmCOM::TakeIdentity(const QByteArray &payload)
{
    const QString text = QString::fromLatin1(payload);
    fSignSerial = text.mid(0, 8);
    fSignBoardVer = text.mid(8, 4);
    fSignFirmwareVer = text.mid(12, 4);
    if (IsNetworkAddress(fPortName) && fRememberedSerial != fPortName + fSignSerial) {
        RememberNetworkBeacon(fPortName, fSignSerial);
        fRememberedSerial = fPortName + fSignSerial;
    }
    Q_EMIT IdentityReceived();
}

bool TdmCOM::Identify()
{
    QByteArray payload;
    if (!ExchangeMessage(cmdIdentity, {}, payload, fReplyWait, true))
        return false;
    TakeIdentity(payload);
    fAttemptCount = 0;
    return true;
}

TLinkActivity::TLinkActivity(TdmCOM &link, const QString &what) : fLink(link), fPrevious(link.fActivity)
{
    link.fActivity = what;
}

TLinkActivity::~TLinkActivity()
{
    fLink.fActivity = fPrevious;
}

TLinkAbortScope::TLinkAbortScope(TdmCOM &link) : fLink(link)
{
    link.fAbortable = true;
    link.fAbortRequested = false;
}

TLinkAbortScope::~TLinkAbortScope()
{
    fLink.fAbortable = false;
    fLink.fAbortRequested = false;
}
