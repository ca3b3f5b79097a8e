#include "link/portsearch.h"

#include "config/messages.h"
#include "link/frame.h"
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
// What an identity reply starts with: its command and its 8-byte length.
const QByteArray IdentityReplyHeader = QByteArrayLiteral("!0108");
// The progress is reported this often while the scan listens.
constexpr int ProgressStepMs = 50;
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
    while (!wait(20))
        QCoreApplication::processEvents(); // serves the hand-over the thread may be blocked in
}

void TConnectionOpenThread::run()
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
        QMetaObject::invokeMethod(
            this,
            [this, status, denied, advice] {
                fConnected = status;
                fAccessDenied = denied;
                fAccessAdvice = advice;
            },
            Qt::BlockingQueuedConnection);
        if (isInterruptionRequested() || status)
            break;
    }
    if (SerialConn.isOpen())
        SerialConn.close();
}

QString TScanResult::AccessText() const
{
    if (AccessDenied.isEmpty())
        return {};
    return AccessDenied.join(u'\n') + (AccessAdvice.isEmpty() ? QString() : QStringLiteral("\n\n") + AccessAdvice.join(u'\n'));
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
    // are served by this loop.
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer step;
    QObject::connect(&step, &QTimer::timeout, &loop, [&] {
        const qint64 elapsed = clock.elapsed();
        if (elapsed >= ScanDurationMs)
            loop.quit();
        else
            progress(Msg::ScanSearching, int(elapsed));
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
        thread->StopAndWait();
        thread.reset();
    }
    progress(Msg::ScanDone, ScanDurationMs);
    return result;
}
