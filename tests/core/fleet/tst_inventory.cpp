// The fleet inventory in a real library database, and its CSV files: what
// is refused, that nothing is half written, and that a file comes back
// exactly as it went out.
#include "fleet/fleetcsv.h"
#include "fleet/inventory.h"
#include "history/register.h"
#include "store/datamodule.h"
#include "store/librarydb.h"
#include "testenv.h"

#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h>

namespace {
TFleetBeacon Beacon(const QString &name, const QString &serial = {})
{
    TFleetBeacon b;
    b.Name = name;
    b.Serial = serial;
    return b;
}

QStringList Names(const QList<TFleetBeacon> &beacons)
{
    QStringList names;
    for (const TFleetBeacon &b : beacons)
        names << b.Name + u'=' + b.Serial;
    return names;
}

QList<QStringList> Rows(const TFleetInventory &inventory)
{
    QList<QStringList> rows;
    for (const TFleetBeacon &b : inventory.Beacons())
        rows << FleetFields(b, {});
    return rows;
}
}

class TestInventory : public QObject {
    Q_OBJECT
    QTemporaryDir fDir;
    std::unique_ptr<TDM> fDM;

    QString DbName() const { return fDir.filePath(QStringLiteral("pvbcs.db")); }

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        QVERIFY(fDir.isValid());
    }

    void init()
    {
        fDM.reset();
        QFile::remove(DbName());
        QVERIFY(CreateLibraryDatabase(DbName()));
        fDM = std::make_unique<TDM>();
        QVERIFY(fDM->OpenDatabase(DbName()));
    }

    void refusedChangesWriteNothing_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("message");
        QTest::newRow("no name") << "add:" << "A beacon needs a name.";
        QTest::newRow("blank name") << "add:   " << "A beacon needs a name.";
        QTest::newRow("line break in name") << "add:a\nb" << "holds a line break";
        QTest::newRow("name taken") << "add:North" << "There is already a beacon named \"North\".";
        QTest::newRow("serial taken") << "add:West=100" << "The serial number 100 is already that of the beacon \"North\".";
        QTest::newRow("set onto a serial") << "set:South=100" << "already that of the beacon \"North\"";
        QTest::newRow("rename onto a name") << "rename:South>North" << "There is already a beacon named \"North\".";
        QTest::newRow("tag with comma") << "tag:a,b" << "holds a comma";
        QTest::newRow("empty tag") << "tag:" << "is empty";
        QTest::newRow("location off the globe") << "location:91" << "is not a latitude";
        QTest::newRow("remove unknown") << "remove:East" << "There is no beacon named \"East\" in the fleet.";
        QTest::newRow("import twice the same name") << "import:West,West" << "The beacon \"West\" is given twice.";
        QTest::newRow("import two with one serial") << "import:West=7,East=7"
                                                    << "The serial number 7 is already that of the beacon \"West\".";
    }

    void refusedChangesWriteNothing()
    {
        QFETCH(QString, change);
        QFETCH(QString, message);
        TFleetInventory inventory(*fDM);
        inventory.Add(Beacon(QStringLiteral("North"), QStringLiteral("100")));
        inventory.Add(Beacon(QStringLiteral("South")));
        inventory.Add(Beacon(QStringLiteral("Spare"))); // two empty serials are no conflict
        const QStringList before = Names(inventory.Beacons());

        const QString verb = change.section(u':', 0, 0);
        const QString what = change.section(u':', 1);
        TFleetBeacon south = *inventory.Beacon(QStringLiteral("South"));
        const QString error = ErrorOf([&] {
            if (verb == QLatin1String("add")) {
                inventory.Add(Beacon(what.section(u'=', 0, 0), what.section(u'=', 1)));
            } else if (verb == QLatin1String("set")) {
                south.Serial = what.section(u'=', 1);
                inventory.Update(south);
            } else if (verb == QLatin1String("rename")) {
                south.Name = what.section(u'>', 1);
                inventory.Update(south);
            } else if (verb == QLatin1String("tag")) {
                south.Tags = {QStringLiteral("ok"), what};
                inventory.Update(south);
            } else if (verb == QLatin1String("location")) {
                south.HasLocation = true;
                south.Latitude = what.toDouble();
                inventory.Update(south);
            } else if (verb == QLatin1String("remove")) {
                inventory.Remove(what);
            } else {
                QList<TFleetBeacon> beacons;
                for (const QString &b : what.split(u','))
                    beacons << Beacon(b.section(u'=', 0, 0), b.section(u'=', 1));
                inventory.Import(beacons);
            }
        });
        QVERIFY2(error.contains(message), qPrintable(error));
        QCOMPARE(Names(inventory.Beacons()), before);
    }

    void importUpdatesByNameKeepingAssignments()
    {
        TFleetInventory inventory(*fDM);
        TFleetBeacon north = Beacon(QStringLiteral("North"), QStringLiteral("1"));
        north.AssignedName = QStringLiteral("term2.bcfg");
        north.AssignedConfig = "[General]\nFlashPattern=1\n";
        const qint64 id = inventory.Add(north);
        inventory.Add(Beacon(QStringLiteral("South"), QStringLiteral("2")));

        // Serial numbers swapped in one import: checked as a whole, not row by row.
        TFleetBeacon renewed = Beacon(QStringLiteral("North"), QStringLiteral("2"));
        renewed.Site = QStringLiteral("Hill School");
        QCOMPARE(inventory.Import({renewed, Beacon(QStringLiteral("South"), QStringLiteral("1")),
                                   Beacon(QStringLiteral("East"))}),
                 1);
        const TFleetBeacon read = *inventory.Beacon(QStringLiteral("North"));
        QCOMPARE(read.Id, id);
        QCOMPARE(read.Serial, QStringLiteral("2"));
        QCOMPARE(read.Site, QStringLiteral("Hill School"));
        QCOMPARE(read.AssignedName, QStringLiteral("term2.bcfg"));
        QCOMPARE(read.AssignedConfig, north.AssignedConfig);
        QCOMPARE(inventory.BeaconWithSerial(QStringLiteral("1"))->Name, QStringLiteral("South"));
        QCOMPARE(Names(inventory.Beacons()), (QStringList{"East=", "North=2", "South=1"}));
    }

    void contactsAndLastReached()
    {
        TFleetInventory inventory(*fDM);
        QVERIFY(!inventory.LastContact(QStringLiteral("9")));
        QVERIFY(!inventory.LastReached(QStringLiteral("9")).isValid());
        const QDateTime t0(QDate(2025, 9, 1), QTime(7, 0), Qt::UTC);
        inventory.RecordContact({QStringLiteral("9"), t0, -75, 3});
        inventory.RecordContact({QStringLiteral("9"), t0.addDays(1), 4, 8});
        inventory.RecordContact({QStringLiteral("8"), t0.addDays(2), 99, 9});
        const TFleetContact last = *inventory.LastContact(QStringLiteral("9"));
        QCOMPARE(last.DriftSeconds, 4);
        QCOMPARE(last.When, t0.addDays(1));
        QCOMPARE(last.ActionId, 8);

        // Only an action that was done counts as reaching the controller.
        THistoryRegister reg(*fDM);
        TActionRecord action;
        action.Serial = QStringLiteral("9");
        action.Action = THistoryRegister::Identify;
        action.When = t0;
        action.Outcome = QStringLiteral("done");
        reg.Add(action);
        action.When = t0.addDays(3);
        action.Outcome = QStringLiteral("The Beacon on x did not answer.");
        reg.Add(action);
        QCOMPARE(inventory.LastReached(QStringLiteral("9")), t0);
    }

    void databaseWithoutLibraryRefused()
    {
        const QString name = fDir.filePath(QStringLiteral("other.db"));
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(name).constData(), &db), SQLITE_OK);
        QCOMPARE(sqlite3_exec(db, "CREATE TABLE notes (t TEXT)", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        TDM dm;
        QVERIFY(dm.OpenDatabase(name));
        TFleetInventory inventory(dm);
        QVERIFY(ErrorOf([&] { inventory.Add(Beacon(QStringLiteral("North"))); }).contains(u"holds no library"));
        QVERIFY(!inventory.Exists());
        QVERIFY(inventory.Beacons().isEmpty());
    }

    void csvRoundTripIsExact()
    {
        TFleetInventory inventory(*fDM);
        QList<TFleetBeacon> hostile;
        const QStringList texts = {"=HYPERLINK(\"http://x\")", "+1", "-2", "@SUM(A1)", "'quoted'", "\tTab",
                                   "\rCR", "a,b", "say \"hi\"", "two\nlines", "crlf\r\nend", "Zürich 東京 🚦",
                                   " spaced ", ""};
        for (int i = 0; i < texts.size(); ++i) {
            TFleetBeacon b = Beacon(QStringLiteral("B%1 ").arg(i) + texts.at(i).simplified(),
                                    i % 3 ? QString() : QStringLiteral("-%1").arg(i));
            b.Site = texts.at(i);
            b.Notes = texts.at((i + 5) % texts.size());
            b.Address = i % 2 ? QStringLiteral("tcp://10.0.0.%1:4001").arg(i) : texts.at((i + 1) % texts.size());
            b.Tags = i % 4 ? QStringList{QStringLiteral("=north"), QStringLiteral("ü")} : QStringList{};
            b.HasLocation = i % 2 == 0;
            b.Latitude = -33.868820000000004 + i;
            b.Longitude = 151.20929 - i / 7.0;
            hostile << b;
        }
        inventory.Import(hostile);
        const QByteArray first = FleetCsvText(Rows(inventory));
        // What a spreadsheet would run is never where it would run it.
        for (const QByteArray &line : first.split('\n'))
            for (const char risky : {'=', '+', '-', '@'})
                QVERIFY2(!line.startsWith(risky) && !line.contains(QByteArray(",") + risky), line.constData());

        init(); // a new library
        TFleetInventory fresh(*fDM);
        const TFleetImport imported = ImportFleetCsv(*fDM, first, QStringLiteral("fleet.csv"));
        QCOMPARE(imported.Added, int(hostile.size()));
        QCOMPARE(FleetCsvText(Rows(fresh)), first);
        for (const TFleetBeacon &b : hostile) {
            const TFleetBeacon read = *fresh.Beacon(b.Name);
            QCOMPARE(FleetFields(read, {}), FleetFields(b, {}));
            QCOMPARE(read.Latitude, b.HasLocation ? b.Latitude : 0.0);
        }
    }

    void csvFieldsAsWritten()
    {
        TFleetBeacon b = Beacon(QStringLiteral("=cmd"), QStringLiteral("42"));
        b.Notes = QStringLiteral("a \"b\",\nc");
        b.Tags = {QStringLiteral("x"), QStringLiteral("y")};
        b.HasLocation = true;
        b.Latitude = 51.5;
        b.Longitude = -0.12;
        QCOMPARE(FleetCsvText({FleetFields(b, QDateTime(QDate(2025, 3, 1), QTime(8, 5), Qt::UTC))}),
                 QByteArray("name,serial,site,address,tags,location,notes,assigned,last_contact\r\n"
                            "'=cmd,42,,,\"x,y\",\"51.5,-0.12\",\"a \"\"b\"\",\nc\",,2025-03-01T08:05:00Z\r\n"));
    }

    void csvColumnsByHeaderAndUpdates()
    {
        TFleetInventory inventory(*fDM);
        TFleetBeacon north = Beacon(QStringLiteral("North"), QStringLiteral("1"));
        north.Site = QStringLiteral("Hill");
        north.Notes = QStringLiteral("keep me");
        inventory.Add(north);
        // BOM, other order, LF line ends, a blank spreadsheet row, columns left out.
        const QByteArray csv = "\xEF\xBB\xBFSerial,NAME,assigned,last_contact\n"
                               "7,North,ignored,2020-01-01T00:00:00Z\n"
                               ",,,\n"
                               ",East,,\n";
        const TFleetImport imported = ImportFleetCsv(*fDM, csv, QStringLiteral("f.csv"));
        QCOMPARE(imported.Added, 1);
        QCOMPARE(imported.Updated, 1);
        const TFleetBeacon read = *inventory.Beacon(QStringLiteral("North"));
        QCOMPARE(read.Serial, QStringLiteral("7"));
        QCOMPARE(read.Site, QStringLiteral("Hill"));
        QCOMPARE(read.Notes, QStringLiteral("keep me"));
        QVERIFY(read.AssignedName.isEmpty());
        QCOMPARE(Names(inventory.Beacons()), (QStringList{"East=", "North=7"}));
    }

    void badCsvRefusedWithItsLine_data()
    {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QString>("message");
        const QByteArray header = "name,serial,notes\r\n";
        QTest::newRow("empty") << QByteArray() << "Line 1 of f.csv: the file is empty";
        QTest::newRow("unknown column") << QByteArray("name,colour\r\nA,red\r\n") << "Line 1 of f.csv: unknown column \"colour\"";
        QTest::newRow("column twice") << QByteArray("name,Name\r\n") << "Line 1 of f.csv: the column \"Name\" is named twice";
        QTest::newRow("no name column") << QByteArray("serial\r\n1\r\n") << "Line 1 of f.csv: the header names no column";
        QTest::newRow("too few fields") << header + "A,1,x\r\nB,2\r\n" << "Line 3 of f.csv: 2 fields where the header names 3";
        QTest::newRow("too many fields") << header + "A,1,x,y\r\n" << "Line 2 of f.csv: 4 fields";
        QTest::newRow("quote never closed") << header + "A,1,x\r\nB,2,\"open\r\nmore\r\n" << "Line 3 of f.csv: a quoted field that is never closed";
        QTest::newRow("quote inside a field") << header + "A,1,x\"y\r\n" << "Line 2 of f.csv: a quote inside a field";
        QTest::newRow("text after a quote") << header + "A,1,\"x\"y\r\n" << "Line 2 of f.csv: a quote inside a field";
        QTest::newRow("not UTF-8") << header + "A,1,x\r\nB,2,\xE9t\xE9\r\n" << "Line 3 of f.csv: the text is not UTF-8";
        QTest::newRow("bad location") << QByteArray("name,location\r\nA,\"1,2\"\r\nB,north\r\n")
                                      << "Line 3 of f.csv: the location \"north\" is not LATITUDE,LONGITUDE";
        QTest::newRow("location out of range") << QByteArray("name,location\r\nA,\"95,2\"\r\n") << "Line 2 of f.csv: the location";
        QTest::newRow("name twice") << header + "A,1,x\r\nB,5,y\r\nA,3,z\r\n" << "Line 4 of f.csv: The beacon \"A\" is given twice.";
        QTest::newRow("serial of another") << header + "A,1,x\r\nC,2,y\r\n"
                                           << "Line 3 of f.csv: The serial number 2 is already that of the beacon \"Old\".";
        QTest::newRow("lines inside fields counted") << header + "A,1,\"one\ntwo\nthree\"\r\n,5,no name\r\n"
                                                     << "Line 5 of f.csv: A beacon needs a name.";
    }

    void badCsvRefusedWithItsLine()
    {
        QFETCH(QByteArray, csv);
        QFETCH(QString, message);
        TFleetInventory inventory(*fDM);
        inventory.Add(Beacon(QStringLiteral("Old"), QStringLiteral("2")));
        const QString error = ErrorOf([&] { ImportFleetCsv(*fDM, csv, QStringLiteral("f.csv")); });
        QVERIFY2(error.startsWith(message), qPrintable(error));
        QCOMPARE(Names(inventory.Beacons()), QStringList{"Old=2"});
    }
};

QTEST_GUILESS_MAIN(TestInventory)
#include "tst_inventory.moc"
