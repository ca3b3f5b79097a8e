// Beacons behind a serial device server: addresses, the Telnet layer, and
// the link over Debian's ser2net as it carries a controller's line.
#include "config/appconfig.h"
#include "config/exceptions.h"
#include "config/netsettings.h"
#include "link/frame.h"
#include "link/netaddress.h"
#include "link/telnetcomport.h"
#include "netrig.h"
#include "simulatedline.h"
#include "testenv.h"

#include <QSettings>
#include <QTcpServer>
#include <QtTest>

namespace {
QByteArray Hex(const char *text)
{
    return QByteArray::fromHex(text);
}

void SetConnectSeconds(int seconds)
{
    QSettings store(TAppConfig::StorePath(), QSettings::IniFormat);
    store.setValue(QStringLiteral("Network/ConnectSeconds"), seconds);
}

const QList<QPair<quint8, QByteArray>> Reads = {
    {cmdEventRecord, "00"}, {cmdEventRecord, "01"}, {cmdCalendarName, "0200"}, {cmdCalendarName, "0201"}};
}

class TestNetLine : public QObject, TSimulatedLine {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        ClearVirtualPorts();
    }

    void cleanup()
    {
        StopLine();
        QFile::remove(TAppConfig::StorePath());
    }

    void addressesAreReadOrRefusedWithTheReason_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("host"); // empty: refused
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("reason");
        QTest::newRow("raw") << "tcp://beacon-12.district.example:4001" << "beacon-12.district.example" << 4001 << "";
        QTest::newRow("scheme in capitals") << "TCP://10.0.0.7:4001" << "10.0.0.7" << 4001 << "";
        QTest::newRow("telnet") << "rfc2217://10.1.2.3:2217" << "10.1.2.3" << 2217 << "";
        QTest::newRow("tls") << "tls://localhost:65535" << "localhost" << 65535 << "";
        QTest::newRow("ipv6 with scope") << "tcp://[fe80::1%eth0]:4001" << "fe80::1%eth0" << 4001 << "";
        QTest::newRow("ipv6 loopback") << "tls://[::1]:1" << "::1" << 1 << "";
        QTest::newRow("other scheme") << "http://beacon:80" << "" << 0 << "write tcp://HOST:PORT";
        QTest::newRow("no port") << "tcp://beacon" << "" << 0 << "write tcp://HOST:PORT";
        QTest::newRow("empty port") << "tcp://beacon:" << "" << 0 << "from 1 to 65535";
        QTest::newRow("port 0") << "tcp://beacon:0" << "" << 0 << "from 1 to 65535";
        QTest::newRow("port too big") << "tcp://beacon:65536" << "" << 0 << "from 1 to 65535";
        QTest::newRow("port with sign") << "tcp://beacon:+80" << "" << 0 << "from 1 to 65535";
        QTest::newRow("port with space") << "tcp://beacon: 80" << "" << 0 << "from 1 to 65535";
        QTest::newRow("no host") << "tcp://:4001" << "" << 0 << "the host is missing";
        QTest::newRow("ipv6 unbracketed") << "tcp://fe80::1:4001" << "" << 0 << "an IPv6 address in brackets";
        QTest::newRow("bracketed name") << "tcp://[beacon]:4001" << "" << 0 << "holds characters";
        QTest::newRow("path after port") << "tcp://beacon:4001/x" << "" << 0 << "from 1 to 65535";
        QTest::newRow("space in host") << "tcp://bea con:4001" << "" << 0 << "holds characters";
    }
    void addressesAreReadOrRefusedWithTheReason()
    {
        QFETCH(QString, text);
        QFETCH(QString, host);
        QFETCH(int, port);
        QFETCH(QString, reason);
        QVERIFY(IsNetworkAddress(text));
        TNetAddress address;
        QString why;
        QCOMPARE(ParseNetAddress(text, address, why), !host.isEmpty());
        if (host.isEmpty()) {
            QVERIFY2(why.startsWith(QLatin1Char('"') + text + QLatin1Char('"')), qPrintable(why));
            QVERIFY2(why.contains(reason), qPrintable(why));
            return;
        }
        QCOMPARE(address.Host, host);
        QCOMPARE(int(address.Port), port);
    }

    void theTelnetLayerSeparatesDataFromNegotiation_data()
    {
        QTest::addColumn<QByteArrayList>("pieces"); // from the server, as they come
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("answers");
        QTest::addColumn<bool>("settled");
        const QByteArray settings = Hex("fffa2c010001c200fff0" "fffa2c0208fff0" "fffa2c0301fff0" "fffa2c0401fff0"
                                        "fffa2c0501fff0" "fffa2c050efff0" "fffa2c0509fff0" "fffa2c050cfff0");
        QTest::newRow("plain data") << QByteArrayList{"!0108"} << QByteArray("!0108") << QByteArray() << false;
        QTest::newRow("escaped 0xFF, split") << QByteArrayList{Hex("41ff"), Hex("ff42")} << Hex("41ff42")
                                             << QByteArray() << false;
        QTest::newRow("server takes the option: the line is set once")
            << QByteArrayList{Hex("fffd2c"), Hex("fffd2c")} << QByteArray() << settings << false;
        QTest::newRow("offers agreed are not answered again")
            << QByteArrayList{Hex("fffb00fffd00fffb03fffd03")} << QByteArray() << QByteArray() << false;
        QTest::newRow("other options declined") << QByteArrayList{Hex("fffb01fffd18")} << QByteArray()
                                                << Hex("fffe01fffc18") << false;
        QTest::newRow("agreed option withdrawn") << QByteArrayList{Hex("fffb00fffc00")} << QByteArray()
                                                 << Hex("fffe00") << false;
        QTest::newRow("settings confirmed, DTR and RTS not")
            << QByteArrayList{Hex("fffd2c"), Hex("fffa2c650001c200fff0fffa2c6608fff0fffa2c6701fff0"),
                              Hex("fffa2c6801fff0fffa2c"), Hex("6901fff0")}
            << QByteArray() << settings << true;
        QTest::newRow("option declined: the server's own settings")
            << QByteArrayList{Hex("fffe2c")} << QByteArray() << QByteArray() << true;
        QTest::newRow("data around a notice")
            << QByteArrayList{Hex("21fffa2c6b00fff030"), Hex("fff130")} << QByteArray("!00") << QByteArray() << false;
    }
    void theTelnetLayerSeparatesDataFromNegotiation()
    {
        QFETCH(QByteArrayList, pieces);
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, answers);
        QFETCH(bool, settled);
        TTelnetComPort telnet;
        QByteArray received, sent;
        for (const QByteArray &piece : pieces)
            received += telnet.Take(piece, sent);
        QCOMPARE(received, data);
        QCOMPARE(sent.toHex(), answers.toHex());
        QCOMPARE(telnet.Settled(), settled);
        QCOMPARE(TTelnetComPort::Escape(Hex("00ff41ff")), Hex("00ffff41ffff"));
    }

    // The same replies over every transport as on the cable, also on a slow
    // network, and the controller never asked while it owes a reply.
    void everyTransportCarriesTheLineAsACableDoes()
    {
        Start();
        TNetRig rig(sim->DevicePath());
        QVERIFY2(rig.Ok(), qPrintable(rig.Error()));
        TrustTestCa(rig.CaFile());
        QStringList addresses = rig.Addresses();
        addresses << rig.Delayed(rig.Telnet(), 300);
        for (const QString &address : addresses) {
            dm->SetPortName(address);
            const QString error = ErrorOf([&] {
                dm->Open();
                QVERIFY2(dm->Identify(), qPrintable(address));
                QCOMPARE(dm->SignSerial(), QStringLiteral("20240001"));
                for (const auto &[cmd, request] : Reads) {
                    QByteArray reply;
                    QVERIFY2(dm->ExchangeMessage(cmd, request, reply, TdmCOM::ReplyWaitMs, true), qPrintable(address));
                    QCOMPARE(reply, Truth(cmd, request));
                }
                dm->Close();
            });
            QVERIFY2(error.isEmpty(), qPrintable(address + QStringLiteral(": ") + error));
            if (QTest::currentTestFailed())
                return;
            QCOMPARE(sim->RequestsWhileOwed(), 0);
        }
        const QList<TNetworkBeacon> remembered = RememberedNetworkBeacons();
        QCOMPARE(remembered.size(), addresses.size());
        for (int i = 0; i < remembered.size(); ++i) {
            QCOMPARE(remembered[i].Address, addresses[i]);
            QCOMPARE(remembered[i].Serial, QStringLiteral("20240001"));
        }
    }

    void aLineThatCannotOpenSaysWhereAndAtWhichStep_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("trusted");
        const QString refused = QStringLiteral("tcp://127.0.0.1:%1").arg(FreeLocalPort());
        QTest::newRow("refused") << refused << "Could not reach " + refused + " while connecting: " << true;
        QTest::newRow("unknown host") << "rfc2217://no-such-beacon.invalid:4001"
                                      << "Could not reach rfc2217://no-such-beacon.invalid:4001 while looking up the "
                                         "host name: "
                                      << true;
        QTest::newRow("untrusted certificate") << "TLS" << " while checking the server's certificate: " << false;
        QTest::newRow("no handshake") << "SILENT" << " while setting up TLS: no answer within 1 s" << true;
        QTest::newRow("malformed") << "tcp://beacon" << "\"tcp://beacon\" is not a network beacon address" << true;
    }
    void aLineThatCannotOpenSaysWhereAndAtWhichStep()
    {
        QFETCH(QString, address);
        QFETCH(QString, text);
        QFETCH(bool, trusted);
        Start();
        TNetRig rig(sim->DevicePath());
        QVERIFY2(rig.Ok(), qPrintable(rig.Error()));
        if (trusted)
            TrustTestCa(rig.CaFile());
        SetConnectSeconds(1);
        QTcpServer silent; // takes the connection, never speaks
        if (address == QLatin1String("TLS")) {
            address = rig.Tls();
        } else if (address == QLatin1String("SILENT")) {
            QVERIFY(silent.listen(QHostAddress::LocalHost));
            address = QStringLiteral("tls://127.0.0.1:%1").arg(silent.serverPort());
        }
        dm->SetPortName(address);
        const QString error = ErrorOf([&] { dm->Open(); });
        QVERIFY2(error.contains(text), qPrintable(error));
        if (!text.startsWith(u'"'))
            QVERIFY2(error.startsWith(QStringLiteral("Could not reach ") + address), qPrintable(error));
        QVERIFY(!dm->UniConnected());
        QVERIFY(RememberedNetworkBeacons().isEmpty());
    }

    // A server that goes away mid-conversation is the lost line, said once,
    // naming the address.
    void aServerThatGoesAwayIsTheLostLine()
    {
        Start();
        TNetRig rig(sim->DevicePath());
        QVERIFY2(rig.Ok(), qPrintable(rig.Error()));
        dm->SetPortName(rig.Telnet());
        dm->Open();
        QVERIFY(dm->Identify());
        rig.KillServer();
        const QString error = ErrorOf([&] {
            const TLinkActivity reading(*dm, QStringLiteral("reading the schedule"));
            QByteArray reply;
            for (int i = 0; i < 3; ++i)
                dm->ExchangeMessage(cmdEventRecord, "00", reply, TdmCOM::ReplyWaitMs, true);
        });
        QCOMPARE(error, QStringLiteral("Lost the connection to %1 while reading the schedule: the server closed the "
                                       "connection")
                            .arg(rig.Telnet()));
        QVERIFY(!dm->UniConnected());
    }
};

QTEST_GUILESS_MAIN(TestNetLine)
#include "tst_netline.moc"
