// The fleet window's table without the window: what each beacon's row says
// from a real library database, and how the rows sort and filter.
#include "fleet/fleetmodel.h"
#include "history/eventarchive.h"
#include "history/register.h"
#include "store/datamodule.h"
#include "store/librarydb.h"
#include "testenv.h"
#include "testevents.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {
const QDateTime Now(QDate(2026, 8, 20), QTime(12, 0), Qt::UTC);
const QByteArray Config = "[General]\nFlashSpeed=2\n";

type_events_record Event(int type, int rawVolts, int minutes)
{
    return TestEvent(type, rawVolts, minutes, QDate(2026, 8, 1));
}

QString When(const QDateTime &utc)
{
    return QLocale().toString(utc.toLocalTime(), QLocale::ShortFormat);
}

QString Day(const QDateTime &utc)
{
    return QLocale().toString(utc.toLocalTime().date(), QLocale::ShortFormat);
}

QStringList Names(const QAbstractItemModel &model)
{
    QStringList names;
    for (int row = 0; row < model.rowCount(); ++row)
        names << model.data(model.index(row, TFleetModel::ColName)).toString();
    return names;
}
}

class TestFleetModel : public QObject {
    Q_OBJECT
    QTemporaryDir fDir;
    std::unique_ptr<TDM> fDM;
    std::unique_ptr<TFleetModel> fModel;

    qint64 Act(const QString &serial, const char *action, int daysAgo, const QString &outcome = "done",
               const QByteArray &config = {})
    {
        TActionRecord a;
        a.When = Now.addDays(-daysAgo);
        a.Source = QStringLiteral("cli");
        a.Serial = serial;
        a.Action = QString::fromLatin1(action);
        a.Outcome = outcome;
        a.Config = config;
        return THistoryRegister(*fDM).Add(a);
    }

    void Beacon(const char *name, const char *serial, const char *site, const QStringList &tags)
    {
        TFleetBeacon b;
        b.Name = QString::fromLatin1(name);
        b.Serial = QString::fromLatin1(serial);
        b.Site = QString::fromLatin1(site);
        b.Tags = tags;
        b.Address = QStringLiteral("tcp://192.168.40.%1:4001").arg(b.Name.size());
        TFleetInventory(*fDM).Add(b);
    }

private Q_SLOTS:
    // Three beacons: one reached yesterday with two event downloads, one
    // whose newest upload failed, one never reached and without a serial.
    void initTestCase()
    {
        InitTestEnvironment();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        const QString db = fDir.filePath(QStringLiteral("pvbcs.db"));
        QVERIFY(CreateLibraryDatabase(db));
        fDM = std::make_unique<TDM>();
        QVERIFY(fDM->OpenDatabase(db));

        Beacon("north-1", "20240001", "North Elementary", {"north", "solar"});
        Beacon("South 2", "20240002", "south middle", {"south"});
        Beacon("west-3", "", "Westfield", {"north"});

        Act("20240001", THistoryRegister::Download, 3, "done", Config);
        const qint64 older = Act("20240001", THistoryRegister::Events, 10);
        TEventArchive(*fDM).Merge("20240001", {Event(2, 300, 400)}, older); // an earlier visit: not recent
        const qint64 newest = Act("20240001", THistoryRegister::Events, 1);
        TEventArchive(*fDM).Merge("20240001", {Event(2, 520, 420), Event(3, 441, 430), Event(2, 500, 440)}, newest);
        Act("20240001", THistoryRegister::Identify, 1);
        TFleetInventory(*fDM).RecordContact({"20240001", Now.addDays(-1), -75, 0});

        Act("20240002", THistoryRegister::Download, 40, "done", Config);
        Act("20240002", THistoryRegister::Upload, 2, "Exception while processing 07", Config);
        Act("20240002", THistoryRegister::Identify, 2);
        TFleetInventory(*fDM).RecordContact({"20240002", Now.addDays(-2), 3, 0});

        fModel = std::make_unique<TFleetModel>(*fDM);
        fModel->Reload(TFleetThresholds(), Now);
    }

    void eachRowSaysWhatTheLibraryHolds_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("due");
        const QString none;
        // Rows in the inventory's order, by name.
        QTest::newRow("reached yesterday") << 0 << QStringList{
            "north-1", "North Elementary", "20240001", "tcp://192.168.40.7:4001", "north, solar",
            When(Now.addDays(-1)), "download, " + Day(Now.addDays(-3)), "-75 s", "10.48 V"} << "config, clock, voltage";
        QTest::newRow("failed upload is no configuration") << 1 << QStringList{
            "South 2", "south middle", "20240002", "tcp://192.168.40.7:4001", "south",
            When(Now.addDays(-2)), "download, " + Day(Now.addDays(-40)), "+3 s", none} << "config";
        QTest::newRow("never reached") << 2 << QStringList{
            "west-3", "Westfield", none, "tcp://192.168.40.6:4001", "north", "never", none, none, none} << "config, contact";
    }

    void eachRowSaysWhatTheLibraryHolds()
    {
        QFETCH(int, row);
        QFETCH(QStringList, texts);
        QFETCH(QString, due);
        QCOMPARE(fModel->rowCount(), 3);
        QStringList shown;
        for (int column = 0; column < TFleetModel::ColDue; ++column)
            shown << fModel->data(fModel->index(row, column)).toString();
        QCOMPARE(shown, texts);

        // The due column names the rules; the tip holds the items' texts, each
        // on its line; it sorts by the number of items.
        const TFleetRow &r = fModel->RowAt(row);
        QStringList dueTexts;
        for (const TDueItem &item : r.Due)
            dueTexts << item.Text;
        const QModelIndex cell = fModel->index(row, TFleetModel::ColDue);
        QCOMPARE(fModel->data(cell).toString(), due);
        QCOMPARE(fModel->data(cell, Qt::ToolTipRole).toString(), dueTexts.join(u'\n'));
        QCOMPARE(fModel->data(cell, TFleetModel::SortRole).toInt(), r.Due.size());
    }

    void rowsSortByWhatTheTextsMean_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("order");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("name, ignoring case") << int(TFleetModel::ColName) << int(Qt::AscendingOrder)
                                             << QStringList{"north-1", "South 2", "west-3"};
        QTest::newRow("site, ignoring case") << int(TFleetModel::ColSite) << int(Qt::DescendingOrder)
                                             << QStringList{"west-3", "South 2", "north-1"};
        QTest::newRow("last contact by time, never last") << int(TFleetModel::ColLastContact) << int(Qt::AscendingOrder)
                                                          << QStringList{"South 2", "north-1", "west-3"};
        QTest::newRow("last configuration by time") << int(TFleetModel::ColLastConfig) << int(Qt::AscendingOrder)
                                                    << QStringList{"South 2", "north-1", "west-3"};
        QTest::newRow("drift by size either way") << int(TFleetModel::ColDrift) << int(Qt::DescendingOrder)
                                                  << QStringList{"west-3", "north-1", "South 2"};
        QTest::newRow("drift, smallest first") << int(TFleetModel::ColDrift) << int(Qt::AscendingOrder)
                                               << QStringList{"South 2", "north-1", "west-3"};
        QTest::newRow("voltage by value") << int(TFleetModel::ColVoltage) << int(Qt::AscendingOrder)
                                          << QStringList{"north-1", "South 2", "west-3"};
    }

    void rowsSortByWhatTheTextsMean()
    {
        QFETCH(int, column);
        QFETCH(int, order);
        QFETCH(QStringList, names);
        TFleetFilter filter;
        filter.setSourceModel(fModel.get());
        filter.sort(column, Qt::SortOrder(order));
        // Rows without a value come last when ascending, first when descending.
        QCOMPARE(Names(filter), names);
    }

    void rowsFilterByTextAndTag_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("nothing") << "" << "" << QStringList{"north-1", "South 2", "west-3"};
        QTest::newRow("site, other case") << "SOUTH MID" << "" << QStringList{"South 2"};
        QTest::newRow("serial") << "0001" << "" << QStringList{"north-1"};
        QTest::newRow("voltage text") << "10.48" << "" << QStringList{"north-1"};
        QTest::newRow("never reached") << "never" << "" << QStringList{"west-3"};
        QTest::newRow("rule word, or in a due text") << "contact" << "" << QStringList{"north-1", "west-3"};
        QTest::newRow("due text beyond the rule word") << "SUPPLY" << "" << QStringList{"north-1"};
        QTest::newRow("blanks around") << "  westfield " << "" << QStringList{"west-3"};
        QTest::newRow("tag") << "" << "north" << QStringList{"north-1", "west-3"};
        QTest::newRow("tag is whole, not a part") << "" << "nort" << QStringList{};
        QTest::newRow("tag and text") << "elementary" << "north" << QStringList{"north-1"};
        QTest::newRow("tag and text of another") << "south" << "north" << QStringList{};
    }

    void rowsFilterByTextAndTag()
    {
        QFETCH(QString, text);
        QFETCH(QString, tag);
        QFETCH(QStringList, names);
        TFleetFilter filter;
        filter.setSourceModel(fModel.get());
        filter.sort(TFleetModel::ColName);
        filter.SetText(text);
        filter.SetTag(tag);
        QCOMPARE(Names(filter), names);
        QCOMPARE(fModel->Tags(), (QStringList{"north", "solar", "south"}));
    }
};

QTEST_GUILESS_MAIN(TestFleetModel)
#include "tst_fleetmodel.moc"
