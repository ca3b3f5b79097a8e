#include "link/dmcom.h"

#include "config/appconfig.h"
#include "config/exceptions.h"
#include "config/messages.h"
#include "link/frame.h"
#include "link/serialline.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#endif

namespace {
// How long a frame's payload may take to arrive once its header is in.
constexpr int PayloadWaitMs = 2500;
}

TdmCOM::TdmCOM(QObject *parent)
    : QObject(parent), tmrPortCheck(nullptr, 1000), fPortName(TAppConfig::DefaultPortName()), fScanActive(true)
{
    connect(&CPort, &QSerialPort::errorOccurred, this, &TdmCOM::PortError);
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
    if (CPort.isOpen())
        return;
    fLineFailure.clear();
    OpenSerialLine(CPort, fPortName);
}

void TdmCOM::Close()
{
    fLineFailure.clear();
    if (CPort.isOpen())
        CPort.close();
}

void TdmCOM::SetReadTimeouts(int intervalMs, int perByteMs, int constantMs)
{
    fReadInterval = intervalMs;
    fReadPerByte = perByteMs;
    fReadConstant = constantMs;
}

void TdmCOM::PortError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::TimeoutError) {
        CPort.clearError(); // a wait that timed out leaves this set; it is not a fault
        return;
    }
    if (!CPort.isOpen() || !IsLineFailure(error) || !fLineFailure.isEmpty())
        return;
    fLineFailure = Fmt(Msg::PortError, fPortName, CPort.errorString()); // the operator sees which port failed
    // After a hang-up the serial layer raises the error again on every turn of
    // the event loop until the port is closed. Closing from inside its own
    // notification is not safe, so close as soon as the loop is back.
    QMetaObject::invokeMethod(
        this, [this] {
            if (!fLineFailure.isEmpty() && CPort.isOpen())
                CPort.close();
        },
        Qt::QueuedConnection);
}

void TdmCOM::RaiseLineFailure()
{
    const QString text = fLineFailure;
    fLineFailure.clear();
    if (CPort.isOpen())
        CPort.close();
    throw Exception(text);
}

int TdmCOM::UniInputCount()
{
    if (!CPort.isOpen())
        return 0;
    int queued = 0; // still in the driver, not yet taken by the serial layer
#ifdef Q_OS_UNIX
    if (::ioctl(int(CPort.handle()), FIONREAD, &queued) == -1)
        queued = 0;
#endif
    return int(CPort.bytesAvailable()) + queued;
}

int TdmCOM::UniFlushBuffer()
{
    const int count = UniInputCount();
    if (count == 0)
        return 0;
    CPort.clear(QSerialPort::AllDirections);
    return count;
}

int TdmCOM::UniWriteStr(const QByteArray &str)
{
    if (!CPort.isOpen())
        Open();
    else if (!fLineFailure.isEmpty())
        RaiseLineFailure();
    if (CPort.write(str) < 0 && fLineFailure.isEmpty())
        throw Exception(CPort.errorString());
    QDeadlineTimer deadline(100 * str.size() + 1000);
    while (CPort.bytesToWrite() > 0 && fLineFailure.isEmpty() && !deadline.hasExpired()) {
        if (!CPort.waitForBytesWritten(int(deadline.remainingTime())))
            break;
    }
    if (!fLineFailure.isEmpty())
        RaiseLineFailure();
    return int(str.size() - CPort.bytesToWrite());
}

int TdmCOM::UniReadStr(QByteArray &Str, int Count)
{
    Str.clear();
    if (!fLineFailure.isEmpty())
        RaiseLineFailure();
    if (!CPort.isOpen())
        throw Exception(Fmt(Msg::LinkPortNotOpen, fPortName));
    const QDeadlineTimer total(qint64(fReadPerByte) * Count + fReadConstant);
    while (Str.size() < Count) {
        Str += CPort.read(Count - Str.size());
        if (Str.size() >= Count)
            break;
        qint64 wait = total.remainingTime();
        if (!Str.isEmpty())
            wait = qMin<qint64>(wait, fReadInterval); // the gap allowed after a byte
        if (wait <= 0)
            break;
        const bool arrived = CPort.waitForReadyRead(int(wait));
        if (!fLineFailure.isEmpty())
            RaiseLineFailure();
        if (!arrived)
            break;
    }
    return int(Str.size());
}

void TdmCOM::UniDisconnect()
{
    fSignSerial.clear();
    fAttemptCount = 0;
    Close();
}

void TdmCOM::Delay(int msec)
{
    if (msec <= 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(msec, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

void TdmCOM::Delay(int msec, int buffer)
{
    if (UniInputCount() >= buffer || msec <= 0 || !CPort.isOpen())
        return;
    QEventLoop loop;
    const auto check = [&] {
        if (UniInputCount() >= buffer || !fLineFailure.isEmpty())
            loop.quit();
    };
    // PortError was connected first, so a failure is recorded before check runs.
    connect(&CPort, &QSerialPort::readyRead, &loop, check);
    connect(&CPort, &QSerialPort::errorOccurred, &loop, check);
    connect(&CPort, &QIODevice::aboutToClose, &loop, &QEventLoop::quit);
    QTimer::singleShot(msec, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

bool TdmCOM::SendMessage(quint8 cmd, const QByteArray &data)
{
    const QByteArray frame = BuildFrame(cmd, data);
    return UniWriteStr(frame) == frame.size();
}

quint8 TdmCOM::ReceiveMessage(QByteArray &data, bool FlushBuf)
{
    QByteArray header;
    if (UniReadStr(header, 5) < 5 || header.at(0) != '!')
        return 255;
    int code = HexValue(header.mid(1, 2));
    if (code < 0)
        code = 255;
    const int length = qMax(0, HexValue(header.mid(3, 2)));
    Delay(PayloadWaitMs, 2 * length);
    QByteArray payload;
    if (length > 0)
        UniReadStr(payload, 2 * length);
    data = payload;
    if (FlushBuf)
        UniFlushBuffer();
    return quint8(code);
}

bool TdmCOM::ExchangeMessage(quint8 hdr, const QByteArray &msg, QByteArray &res, int timeout, bool FlushBuf)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        UniFlushBuffer();
        SendMessage(hdr, msg);
        Delay(timeout, 5);
        QByteArray payload;
        if (ReceiveMessage(payload, FlushBuf) == hdr) {
            res = payload;
            return true;
        }
    }
    return false;
}

void TdmCOM::tmrPortCheckTimer()
{
    if (!fScanActive || !UniConnected())
        return;
    if (UniInputCount() > 0) {
        QByteArray payload;
        if (ReceiveMessage(payload, true) == cmdIdentity) {
            const QString text = QString::fromLatin1(payload);
            fSignSerial = text.mid(0, 8);
            fSignBoardVer = text.mid(8, 4);
            fSignFirmwareVer = text.mid(12, 4);
            fAttemptCount = 0;
        }
    }
    SendMessage(cmdIdentity, {});
    if (fAttemptCount >= MaxAttempts)
        UniDisconnect();
    else
        ++fAttemptCount;
}
