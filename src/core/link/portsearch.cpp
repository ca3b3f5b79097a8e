#include "link/portsearch.h"

#include "config/messages.h"
#include "config/netsettings.h"
#include "link/frame.h"
#include "link/netaddress.h"
#include "link/portlist.h"
#include "link/serialline.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSerialPort>
#include <QTimer>
#include <memory>
#include <vector>

namespace {
// A controller answers a poll well within this; the probe reads once after it.
constexpr int ProbeReplyWaitMs = 2000;
constexpr int ProbePauseMs = 100;
// A network beacon that could not be reached is tried again after this: a
// server is not asked sixty times in a search.
constexpr int NetworkRetryPauseMs = 1000;
// What an identity reply starts with: its command and its 8-byte length.
const QByteArray IdentityReplyHeader = QByteArrayLiteral("!0108");
// The progress is reported this often while the scan listens.
constexpr int ProgressStepMs = 50;

// Runs the calling thread's event loop until done() holds (asked whenever
// line has input), line fails, msec pass, or the thread is told to stop
// (QThread::quit ends the loops of a thread, and any it starts later).
void AwaitInThread(int msec, const TByteLine *line = nullptr, const std::function<bool()> &done = {})
{
    if (done && done())
        return;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    if (line) {
        QObject::connect(line, &TByteLine::ReadyRead, &loop, [&] {
            if (done && done())
                loop.quit();
        });
        QObject::connect(line, &TByteLine::Failed, &loop, &QEventLoop::quit);
    }
    deadline.start(msec);
    loop.exec();
}
}

TConnectionOpenThread::TConnectionOpenThread(bool CreateSuspended, const QString &Port, QObject *parent)
    : QThread(parent), fPort(Port)
{
    if (!CreateSuspended)
        start();
}

TConnectionOpenThread::~TConnectionOpenThread()
{
    StopAndWait();
}

void TConnectionOpenThread::StopAndWait()
{
    requestInterruption();
    quit(); // ends a network probe's wait at once
    while (!wait(20))
        QCoreApplication::processEvents(); // serves the hand-over the thread may be blocked in
}

void TConnectionOpenThread::run()
{
    if (IsNetworkAddress(fPort))
        ProbeNetwork();
    else
        ProbeSerial();
}

void TConnectionOpenThread::Publish(bool status, const QString &denied, const QString &advice,
                                    const QString &unreached)
{
    QMetaObject::invokeMethod(
        this,
        [=] {
            fConnected = status;
            fAccessDenied = denied;
            fAccessAdvice = advice;
            fUnreached = unreached;
            ++fCycles;
        },
        Qt::BlockingQueuedConnection);
}

void TConnectionOpenThread::ProbeSerial()
{
    QSerialPort SerialConn; // created here, so its notifiers belong to this thread
    for (;;) {
        bool status = false;
        QString denied, advice;
        try {
            if (!SerialConn.isOpen())
                OpenSerialLine(SerialConn, fPort);
            SerialConn.write(BuildFrame(cmdIdentity, {}));
            SerialConn.waitForBytesWritten(100 * 5 + 1000);
            msleep(ProbeReplyWaitMs);
            // Take what the driver holds and read up to one reply header; the
            // rest stays for the next cycle.
            SerialConn.waitForReadyRead(0);
            status = SerialConn.read(8).startsWith(IdentityReplyHeader);
            if (IsLineFailure(SerialConn.error()))
                SerialConn.close(); // reopened next cycle, if the port is still there
            SerialConn.clearError();
        } catch (const ELineOpenError &e) {
            if (e.Reason() == ELineOpenError::Cause::AccessDenied) {
                denied = e.Message();
                advice = e.Advice();
            }
        } catch (...) {
            status = false;
        }
        msleep(ProbePauseMs);
        Publish(status, denied, advice, {});
        if (isInterruptionRequested() || status)
            break;
    }
    if (SerialConn.isOpen())
        SerialConn.close();
}

void TConnectionOpenThread::ProbeNetwork()
{
    std::unique_ptr<TByteLine> line; // made here, so it and its socket belong to this thread
    for (;;) {
        bool status = false;
        QString unreached;
        try {
            if (!line)
                line = MakeByteLine(fPort);
            line->Open(); // within the connection's own time limit
            line->Write(BuildFrame(cmdIdentity, {}));
            line->Flush();
            // Unlike a serial port, the answer is taken as soon as it is there:
            // over a slow network it may take most of the wait.
            AwaitInThread(ProbeReplyWaitMs, line.get(), [&] { return line->BytesReady() >= 8; });
            status = line->Read(8).startsWith(IdentityReplyHeader);
        } catch (const ELineOpenError &e) {
            unreached = e.Message();
        } catch (...) {
            status = false;
        }
        Publish(status, {}, {}, unreached);
        if (isInterruptionRequested() || status)
            break;
        AwaitInThread(unreached.isEmpty() ? ProbePauseMs : NetworkRetryPauseMs);
    }
    if (line)
        line->Close();
}

QString TScanResult::AccessText() const
{
    QStringList parts;
    if (!AccessDenied.isEmpty())
        parts << AccessDenied.join(u'\n');
    if (!AccessAdvice.isEmpty())
        parts << AccessAdvice.join(u'\n');
    if (!Unreached.isEmpty())
        parts << Unreached.join(u'\n');
    return parts.join(QStringLiteral("\n\n"));
}

QStringList DiscoveryPorts()
{
    QStringList ports = GetRegPortList();
    for (const TNetworkBeacon &beacon : RememberedNetworkBeacons())
        ports << beacon.Address;
    return ports;
}

TScanResult ScanForController(const QStringList &ports, const TScanProgress &report)
{
    const auto progress = [&](const char *status, int position) {
        if (report)
            report(QString::fromUtf8(status), position);
    };
    TScanResult result;
    progress(Msg::ScanCreatingThreads, 0);
    std::vector<std::unique_ptr<TConnectionOpenThread>> threads;
    for (const QString &port : ports) {
        threads.push_back(std::make_unique<TConnectionOpenThread>(true, port));
        threads.back()->start();
    }
    progress(Msg::ScanSearching, 0);

    // Listen for the full time with the window alive; the probes' hand-overs
    // are served by this loop. Then wait for the network beacons whose first
    // probe is still within its time limit.
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer step;
    QObject::connect(&step, &QTimer::timeout, &loop, [&] {
        const qint64 elapsed = clock.elapsed();
        if (elapsed < ScanDurationMs) {
            progress(Msg::ScanSearching, int(elapsed));
            return;
        }
        QStringList waiting;
        for (const auto &thread : threads)
            if (thread->Cycles() == 0 && IsNetworkAddress(thread->Port()))
                waiting << thread->Port();
        if (waiting.isEmpty())
            loop.quit();
        else if (report)
            report(Fmt(Msg::ScanWaitingNetwork, waiting.join(QStringLiteral(", "))), ScanDurationMs);
    });
    step.start(ProgressStepMs);
    loop.exec();
    step.stop();

    progress(Msg::ScanStoppingThreads, ScanDurationMs);
    for (auto &thread : threads) {
        if (thread->Connected())
            result.Answered << thread->Port();
        if (!thread->AccessDenied().isEmpty()) {
            result.AccessDenied << thread->AccessDenied();
            if (!thread->AccessAdvice().isEmpty() && !result.AccessAdvice.contains(thread->AccessAdvice()))
                result.AccessAdvice << thread->AccessAdvice();
        }
        if (!thread->Unreached().isEmpty())
            result.Unreached << thread->Unreached();
        thread->StopAndWait();
        thread.reset();
    }
    progress(Msg::ScanDone, ScanDurationMs);
    return result;
}
