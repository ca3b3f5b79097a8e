// Network beacons from the main window: the address dialog, the remembered
// beacons in the port box, and connecting to an address.
#include "app/application.h"
#include "app/frmnetworkbeacon.h"
#include "config/messages.h"
#include "config/netsettings.h"
#include "monitorrig.h"
#include "testenv.h"
#include "widgets/panelstatusbar.h"

#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QTcpServer>

using namespace MonitorRig;
using Kind = TMessageService::Kind;

namespace {
const QString kNetworkEntry = QStringLiteral("Network Beacon\u2026");

quint16 RefusingPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

QStringList Items(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

QString Malformed(const QString &text, const QString &reason)
{
    return Fmt(Msg::NetAddressMalformed, text, reason);
}
}

class TestNetworkBeacons : public QObject, public TRigHolder {
    Q_OBJECT

    // The operator chooses "Network Beacon…" (the last entry) with the
    // keyboard; inside the dialog, work runs.
    void ChooseNetworkEntry(const std::function<void(TfrmNetworkBeacon &)> &work)
    {
        TfrmNetworkBeacon &dialog = *fRig->window.frmNetworkBeacon;
        bool asked = false;
        WhenModal(&dialog, [&] {
            asked = true;
            work(dialog);
        });
        QTest::keyClick(fRig->window.cbComPort, Qt::Key_End);
        QVERIFY(asked);
        QVERIFY(!dialog.isVisible());
    }

    static void Type(TfrmNetworkBeacon &dialog, const QString &text)
    {
        dialog.edtAddress->selectAll();
        QTest::keyClick(dialog.edtAddress, Qt::Key_Delete);
        QTest::keyClicks(dialog.edtAddress, text);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fDir.isValid());
        InitTestEnvironment();
        ClearVirtualPorts();
    }
    void init()
    {
        ResetBeaconMemory();
        QSettings store(TAppConfig::StorePath(), QSettings::IniFormat);
        store.remove(QStringLiteral("Network"));
        store.remove(QStringLiteral("NetworkBeacons"));
    }
    void cleanup() { fRig.reset(); }

    // Every keystroke is checked: OK only for an address the link can open,
    // and otherwise the reason under the field.
    void theAddressIsCheckedAsTyped()
    {
        TRig &rig = StartRig(QStringLiteral("none"));
        const QString expected = QString::fromUtf8(Msg::NetAddressExpected);
        const QString badPort = QString::fromUtf8(Msg::NetAddressBadPort);
        const struct {
            const char *typed;
            bool valid;
            QString why; // empty for a valid address
        } cases[] = {
            {"", false, QString::fromUtf8(Msg::NetAddressEmpty)},
            {"   ", false, QString::fromUtf8(Msg::NetAddressEmpty)},
            {"tcp://10.0.0.5:4001", true, {}},
            {"  rfc2217://beacons.district.example:2217  ", true, {}},
            {"tls://[fe80::1%eth0]:4001", true, {}},
            {"TCP://school-7:1", true, {}},
            {"tcp://host:65535", true, {}},
            {"ttyUSB0", false, Malformed("ttyUSB0", expected)},
            {"udp://host:4001", false, Malformed("udp://host:4001", expected)},
            {"tcp://host", false, Malformed("tcp://host", expected)},
            {"tcp://fe80::1:4001", false, Malformed("tcp://fe80::1:4001", expected)},
            {"tcp://:4001", false, Malformed("tcp://:4001", QString::fromUtf8(Msg::NetAddressNoHost))},
            {"tcp://host:0", false, Malformed("tcp://host:0", badPort)},
            {"tcp://host:65536", false, Malformed("tcp://host:65536", badPort)},
            {"tcp://host:40a1", false, Malformed("tcp://host:40a1", badPort)},
            {"tcp://host:", false, Malformed("tcp://host:", badPort)},
            {"tcp://ho st:4001", false, Malformed("tcp://ho st:4001", Fmt(Msg::NetAddressBadHost, "ho st"))},
            {"tls://[school]:4001", false, Malformed("tls://[school]:4001", Fmt(Msg::NetAddressBadHost, "school"))},
        };
        QStringList okAt; // the prefixes of one address for which OK was enabled
        ChooseNetworkEntry([&](TfrmNetworkBeacon &dialog) {
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Network Beacon"));
            QVERIFY(dialog.isModal());
            for (const auto &c : cases) {
                Type(dialog, QString::fromUtf8(c.typed));
                QVERIFY2(dialog.btnOK->isEnabled() == c.valid, c.typed);
                QVERIFY2(dialog.lblWhy->text() == c.why, qPrintable(dialog.lblWhy->text()));
            }
            Type(dialog, QString());
            for (const QChar c : QStringLiteral("tcp://h:40")) {
                QTest::keyClick(dialog.edtAddress, c.toLatin1());
                if (dialog.btnOK->isEnabled())
                    okAt << dialog.edtAddress->text();
            }
            OperatorClick(dialog.btnCancel);
        });
        QCOMPARE(okAt, (QStringList{"tcp://h:4", "tcp://h:40"}));
        QCOMPARE(rig.window.cbComPort->currentIndex(), 0);
        QCOMPARE(rig.messages.Texts(), QStringList());
    }

    // The remembered beacons follow the serial ports, with the serial number
    // of the controller last found there; an address given in the dialog is
    // shown and remembered as the port, and Cancel goes back.
    void theBoxListsRememberedBeaconsAndTakesNewAddresses()
    {
        TSimOptions options;
        options.name = QStringLiteral("beacon");
        TBeaconSimulator sim(options);
        RememberNetworkBeacon(QStringLiteral("tcp://10.1.2.3:4001"), QStringLiteral("20240007"));
        RememberNetworkBeacon(QStringLiteral("rfc2217://school-9:2217"));
        TRig &rig = StartRig(sim.PortName());
        TPortComboBox *box = rig.window.cbComPort;
        const QStringList serial = GetRegPortList();
        QCOMPARE(Items(box), QStringList{"Autodetect"} + serial
                                 + (QStringList{"tcp://10.1.2.3:4001 (20240007)", "rfc2217://school-9:2217", kNetworkEntry}));
        QCOMPARE(box->itemData(serial.size() + 1, Qt::ToolTipRole).toString(),
                 QStringLiteral("Network beacon\nSerial Number: 20240007"));
        QCOMPARE(box->CurrentPort(), sim.PortName());

        // Cancel: the port shown before.
        ChooseNetworkEntry([](TfrmNetworkBeacon &dialog) {
            Type(dialog, QStringLiteral("tcp://elsewhere:1"));
            OperatorClick(dialog.btnCancel);
        });
        QCOMPARE(box->CurrentPort(), sim.PortName());
        QCOMPARE(rig.config.PortName(), sim.PortName());

        // A new address: listed before "Network Beacon…", shown, remembered.
        const QString address = QStringLiteral("tls://[fe80::1%eth0]:4001");
        ChooseNetworkEntry([&](TfrmNetworkBeacon &dialog) {
            QVERIFY(dialog.edtAddress->text().isEmpty()); // the port shown is no address
            Type(dialog, QStringLiteral(" ") + address);
            OperatorClick(dialog.btnOK);
        });
        QCOMPARE(box->CurrentPort(), address);
        QCOMPARE(box->currentText(), address);
        QCOMPARE(Items(box).mid(serial.size() + 3), (QStringList{address, kNetworkEntry}));
        QCOMPARE(rig.config.PortName(), address);
        // The dialog starts from the address shown.
        ChooseNetworkEntry([&](TfrmNetworkBeacon &dialog) {
            QCOMPARE(dialog.edtAddress->text(), address);
            OperatorClick(dialog.btnCancel);
        });
        QCOMPARE(box->CurrentPort(), address);

        // A remembered beacon picked from the list is remembered as the port
        // by its address, not by its text.
        OperatorPick(box, serial.size() + 1);
        QCOMPARE(rig.config.PortName(), QStringLiteral("tcp://10.1.2.3:4001"));

        // The next start shows the address remembered, although it is not
        // among the remembered beacons (it never connected).
        rig.config.SetPortName(address);
        fRig.reset();
        TRig &next = StartRig(address);
        QCOMPARE(next.window.cbComPort->CurrentPort(), address);
        QCOMPARE(Items(next.window.cbComPort).constLast(), kNetworkEntry);
    }

    // An address that cannot be reached is the critical error the switch
    // gives any port, naming the address and the step; the switch stays off.
    void anUnreachableAddressSaysWhereAndWhy()
    {
        QSettings(TAppConfig::StorePath(), QSettings::IniFormat).setValue(QStringLiteral("Network/ConnectSeconds"), 2);
        QTcpServer mute;
        QVERIFY(mute.listen(QHostAddress::LocalHost));
        const QString refused = QStringLiteral("tcp://127.0.0.1:%1").arg(RefusingPort());
        const QString silent = QStringLiteral("rfc2217://127.0.0.1:%1").arg(mute.serverPort());
        const struct {
            QString address;
            QString why;
        } cases[] = {
            {refused, Fmt(Msg::NetOpenFailed, refused, Msg::NetStepConnect, QStringLiteral("Connection refused"))},
            {silent, Fmt(Msg::NetOpenFailed, silent, Msg::NetStepLineSettings, Fmt(Msg::NetNoAnswer, 2))},
        };
        for (const auto &c : cases) {
            TRig &rig = StartRig(c.address);
            QCOMPARE(rig.window.cbComPort->CurrentPort(), c.address);
            OperatorClick(rig.window.imgPortSwitch);
            QCOMPARE(rig.messages.Texts(Kind::Error), QStringList{Fmt(Msg::CriticalCommError, c.why)});
            QVERIFY(!rig.window.SwitchedOn());
            QVERIFY(rig.window.cbComPort->isEnabled());
            QTRY_COMPARE_WITH_TIMEOUT(rig.window.StatusBar->PanelText(0), QString::fromUtf8(Msg::StatusPortDisconnected),
                                      kIdentityWaitMs);
            fRig.reset();
        }
        // Never connected: not remembered.
        QVERIFY(RememberedNetworkBeacons().isEmpty());
    }

    // Autodetect that finds nothing says why for each remembered beacon it
    // could not reach, naming the address and the step.
    void autodetectSaysWhyARememberedBeaconWasNotFound()
    {
        const QString refused = QStringLiteral("tcp://127.0.0.1:%1").arg(RefusingPort());
        RememberNetworkBeacon(refused, QStringLiteral("20240003"));
        TRig &rig = StartRig(QStringLiteral("none"));
        QCOMPARE(Items(rig.window.cbComPort).mid(rig.window.cbComPort->count() - 2),
                 (QStringList{refused + QStringLiteral(" (20240003)"), kNetworkEntry}));
        OperatorClick(rig.window.imgPortSwitch);
        QCOMPARE(rig.messages.Texts(Kind::Error),
                 QStringList{Msg::PortNotFound + QStringLiteral("\n\n")
                             + Fmt(Msg::NetOpenFailed, refused, Msg::NetStepConnect, QStringLiteral("Connection refused"))});
        QVERIFY(!rig.window.SwitchedOn());
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    TestNetworkBeacons test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_networkbeacons.moc"
