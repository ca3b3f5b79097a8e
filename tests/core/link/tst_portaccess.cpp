// What the operator is told when a serial port will not open: a device this
// user may not use, a port another program holds, a port that is not there.
#include "config/messages.h"
#include "link/portsearch.h"
#include "link/serialline.h"
#include "sim/beaconsimulator.h"
#include "testenv.h"
#include "unprivileged.h"

#include <QSerialPort>
#include <QtTest>
#include <fcntl.h>
#include <sys/ioctl.h>

namespace {
const QString kAdvice = QStringLiteral("To join it on Debian and similar systems, run\n"
                                       "    sudo usermod -aG dialout $USER\n"
                                       "then log out and log in again.");

// The error that opening device raises, or none.
std::optional<ELineOpenError> OpenFails(const QString &device)
{
    QSerialPort port;
    try {
        OpenSerialLine(port, device);
    } catch (const ELineOpenError &e) {
        return e;
    }
    return std::nullopt;
}
}

class TestPortAccess : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { InitTestEnvironment(); }

    void aUserOutsideTheGroupIsToldHowToGetIn()
    {
        TBeaconSimulator sim;
        const QString device = sim.DevicePath();
        QVERIFY(RestrictDevice(device));
        {
            TUnprivileged user;
            if (!user.Active())
                QSKIP("Acting as an ordinary user needs root; the permission message is not tested.");
            const std::optional<ELineOpenError> error = OpenFails(device);
            QVERIFY(error);
            QCOMPARE(error->Reason(), ELineOpenError::Cause::AccessDenied);
            QCOMPARE(error->Message(),
                     QStringLiteral("This user may not open %1, which belongs to the group \"dialout\".").arg(device));
            QCOMPARE(error->Advice(), kAdvice);
            QCOMPARE(error->FullText(), error->Message() + QStringLiteral("\n\n") + kAdvice);

            // A device that no group may use: joining its group would not help.
            QVERIFY(!RestrictDevice(device, 0600)); // really an ordinary user: only root may change it
        }
        QVERIFY(RestrictDevice(device, 0600));
        {
            TUnprivileged user;
            const std::optional<ELineOpenError> error = OpenFails(device);
            QVERIFY(error);
            QCOMPARE(error->Message(), QStringLiteral("This user may not open %1.").arg(device));
            QVERIFY(error->Advice().isEmpty());
        }
        QVERIFY(!OpenFails(device)); // the device itself is fine
    }

    void aPortHeldByAnotherProgramSaysSo()
    {
        TBeaconSimulator sim;
        const QString device = sim.DevicePath();
        const QString inUse = QStringLiteral("The port %1 is in use by another program.").arg(device);

        // Another program of the serial layer: its lock file.
        {
            QSerialPort holder;
            OpenSerialLine(holder, device);
            const std::optional<ELineOpenError> error = OpenFails(device);
            QVERIFY(error);
            QCOMPARE(error->Reason(), ELineOpenError::Cause::InUse);
            QCOMPARE(error->Message(), inUse);
            QCOMPARE(error->Advice(), QString::fromUtf8(Msg::PortInUseAdvice));
        }

        // Any other program, holding the device in exclusive mode (which
        // binds everyone but root).
        QVERIFY(RestrictDevice(device, 0666));
        const int holder = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY);
        QVERIFY(holder >= 0);
        QCOMPARE(::ioctl(holder, TIOCEXCL), 0);
        {
            TUnprivileged user;
            if (!user.Active()) {
                ::close(holder);
                QSKIP("Exclusive mode binds only ordinary users; needs root to act as one.");
            }
            const std::optional<ELineOpenError> error = OpenFails(device);
            QVERIFY(error);
            QCOMPARE(error->Reason(), ELineOpenError::Cause::InUse);
            QCOMPARE(error->Message(), inUse);
        }
        ::close(holder);
        QVERIFY(!OpenFails(device));
    }

    void aMissingPortIsNamed()
    {
        const std::optional<ELineOpenError> error = OpenFails(QStringLiteral("/dev/no-such-port"));
        QVERIFY(error);
        QCOMPARE(error->Reason(), ELineOpenError::Cause::Other);
        QCOMPARE(error->Message(), QStringLiteral("/dev/no-such-port: No such file or directory"));
        QVERIFY(error->Advice().isEmpty());
    }

    // Discovery finds nobody where it may not look, and says so once per
    // group, whatever the number of such ports.
    void discoveryTellsWhichPortsCouldNotBeOpened()
    {
        TSimOptions second;
        second.name = QStringLiteral("second");
        TBeaconSimulator simA, simB(second);
        QVERIFY(RestrictDevice(simA.DevicePath()));
        QVERIFY(RestrictDevice(simB.DevicePath()));
        TUnprivileged user;
        if (!user.Active())
            QSKIP("Acting as an ordinary user needs root; discovery's reason is not tested.");
        const TScanResult result = ScanForController({simA.DevicePath(), simB.DevicePath()}, {});
        QVERIFY(result.Answered.isEmpty());
        QVERIFY(result.Port().isEmpty());
        const QString denied = QStringLiteral("This user may not open %1, which belongs to the group \"dialout\".");
        QCOMPARE(result.AccessDenied, (QStringList{denied.arg(simA.DevicePath()), denied.arg(simB.DevicePath())}));
        QCOMPARE(result.AccessAdvice, QStringList{kAdvice});
        QCOMPARE(result.AccessText(), result.AccessDenied.join(u'\n') + QStringLiteral("\n\n") + kAdvice);
        QVERIFY(simA.Received().isEmpty() && simB.Received().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestPortAccess)
#include "tst_portaccess.moc"
