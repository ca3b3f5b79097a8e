// The register of actions and the event archive in a library database, and
// the recorder that writes them without ever stopping an operator's action.
#include "eventlog/eventdownload.h"
#include "history/eventarchive.h"
#include "history/eventarchivemodel.h"
#include "history/historymodel.h"
#include "history/recorder.h"
#include "history/register.h"
#include "simulatedline.h"
#include "store/datamodule.h"
#include "store/device.h"
#include "store/librarydb.h"
#include "testenv.h"
#include "testmessageservice.h"
#include "transfer/workflows.h"

#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h>

namespace {
// The schema text of every table and index, to see that nothing else changed.
QStringList Schema(TDM &dm, const QString &condition)
{
    QStringList schema;
    for (auto rows = dm.Query(QStringLiteral("SELECT name, sql FROM sqlite_master WHERE ") + condition +
                              QStringLiteral(" ORDER BY name"));
         !rows->Eof(); rows->Next())
        schema << rows->FieldAsString(0) + u'=' + rows->FieldAsString(1);
    return schema;
}

type_events_record Event(int day, int minutes, int type, int volts = 500)
{
    type_events_record e;
    e.day_num = qint16(day);
    e.minutes_num = qint16(minutes);
    e.event_type = qint8(type);
    e.parms[0] = qint16(volts);
    e.parms[1] = 505;
    e.parms[2] = 1024;
    return e;
}

QList<int> Days(const QList<type_events_record> &events)
{
    QList<int> days;
    for (const type_events_record &e : events)
        days << e.day_num;
    return days;
}
}

class TestHistory : public QObject, TSimulatedLine {
    Q_OBJECT
    QTemporaryDir fDir;
    std::unique_ptr<TDM> fDM;
    TTestMessageService fMessages;
    QStringList fReports;

    QString DbName() const { return fDir.filePath(QStringLiteral("pvbcs.db")); }

    // A database made by the library's schema alone, as an installer leaves it.
    void OpenFreshLibrary()
    {
        fDM.reset();
        QFile::remove(DbName());
        QVERIFY(CreateLibraryDatabase(DbName()));
        fDM = std::make_unique<TDM>();
        QVERIFY(fDM->OpenDatabase(DbName()));
    }

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        ClearVirtualPorts();
        QVERIFY(fDir.isValid());
    }

    void init()
    {
        OpenFreshLibrary();
        fReports.clear();
        History().SetReporter([this](const QString &text) { fReports << text; });
        History().NewConnection();
    }

    void cleanup()
    {
        History().SetReporter(nullptr);
        StopLine();
    }

    // A library made before the register: its tables are made on the first
    // write; a library made now has them from the start.
    void tablesAreMadeOnFirstWriteBesideTheLibrarysOwn()
    {
        QCOMPARE(Schema(*fDM, QStringLiteral("tbl_name LIKE 'history%'")).size(), 6);
        fDM->Exec(QStringLiteral("DROP TABLE history_actions"));
        fDM->Exec(QStringLiteral("DROP TABLE history_events"));
        const QString library = QStringLiteral("tbl_name NOT LIKE 'history%'");
        const QStringList before = Schema(*fDM, library);
        THistoryRegister reg(*fDM);
        QVERIFY(reg.Actions().isEmpty());
        QVERIFY(reg.Action(1) == std::nullopt);
        QVERIFY(TEventArchive(*fDM).Controllers().isEmpty());
        QVERIFY(!reg.Exists()); // reading makes nothing

        TActionRecord action;
        action.Action = QStringLiteral("identify");
        action.Outcome = QStringLiteral("done");
        action.When = QDateTime::currentDateTimeUtc();
        QCOMPARE(reg.Add(action), 1);
        QVERIFY(reg.Exists());
        QCOMPARE(Schema(*fDM, library), before);
        // Two tables, two indexes and the one that keeps each event once.
        QCOMPARE(Schema(*fDM, QStringLiteral("tbl_name LIKE 'history%'")).size(), 6);
        // A second write and a reopened database find the tables there.
        QCOMPARE(reg.Add(action), 2);
        QVERIFY(fDM->OpenDatabase(DbName()));
        QCOMPARE(THistoryRegister(*fDM).Actions().size(), 2);
    }

    void aDatabaseWithoutTheLibraryIsNotWrittenTo()
    {
        fDM.reset();
        const QString other = fDir.filePath(QStringLiteral("other.db"));
        QFile::remove(other);
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(other).constData(), &db), SQLITE_OK);
        QCOMPARE(sqlite3_exec(db, "CREATE TABLE notes (id INTEGER PRIMARY KEY)", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        fDM = std::make_unique<TDM>();
        QVERIFY(fDM->OpenDatabase(other));
        THistoryRegister reg(*fDM);
        QCOMPARE(ErrorOf([&] { reg.Add({}); }),
                 other + QStringLiteral(" holds no library; the history is kept only in a library database."));
        QVERIFY(!reg.Exists());
    }

    void actionsAreListedOldestFirstByControllerAndTime()
    {
        THistoryRegister reg(*fDM);
        const QDateTime start(QDate(2025, 3, 1), QTime(8, 0), Qt::UTC);
        const char *serials[] = {"20240001", "20240002", "20240001"};
        for (int i = 0; i < 3; ++i) {
            TActionRecord action;
            action.When = start.addDays(i);
            action.Serial = QLatin1String(serials[i]);
            action.Action = QStringLiteral("download");
            action.Options = QStringLiteral("schedule");
            action.Outcome = i == 1 ? QStringLiteral("Exception while processing Beacon Schedule") : QStringLiteral("done");
            if (i != 1)
                action.Config = QByteArray("[General]\r\nCalendarCount=1\r\n[Calendar0]\r\nName=F\xEAte\r\n").repeated(i + 1);
            reg.Add(action);
        }
        const QList<TActionRecord> all = reg.Actions();
        QCOMPARE(all.size(), 3);
        QCOMPARE(all.at(0).When, start);
        QCOMPARE(all.at(1).Outcome, QStringLiteral("Exception while processing Beacon Schedule"));
        QCOMPARE(QList<bool>({all.at(0).HasConfig, all.at(1).HasConfig, all.at(2).HasConfig}),
                 QList<bool>({true, false, true}));
        QVERIFY(all.at(0).Config.isEmpty()); // a listing leaves the texts out

        const QList<TActionRecord> one = reg.Actions(QStringLiteral("20240001"), start.addSecs(1));
        QCOMPARE(one.size(), 1);
        QCOMPARE(one.first().Id, 3);
        // The text comes back byte for byte, 8-bit characters included.
        QCOMPARE(reg.Action(3)->Config,
                 QByteArray("[General]\r\nCalendarCount=1\r\n[Calendar0]\r\nName=F\xEAte\r\n").repeated(3));
        QVERIFY(reg.Action(2)->Config.isNull());
    }

    void archiveKeepsEachEventOnceNewestFirst()
    {
        TEventArchive archive(*fDM);
        // As listed after a download: newest first, the higher slot first among equal times.
        const QList<type_events_record> download = {Event(5003, 600, 3), Event(5002, 480, 2, 510),
                                                    Event(5002, 480, 2, 500), Event(5001, 420, 1)};
        QCOMPARE(archive.Merge(QStringLiteral("20240001"), download, 7), 4);
        QCOMPARE(archive.Merge(QStringLiteral("20240001"), download, 8), 0); // downloading twice adds nothing
        QCOMPARE(archive.Merge(QStringLiteral("20240002"), download.mid(0, 1), 9), 1); // another controller's own
        QCOMPARE(archive.Merge(QString(), download, 10), 0);                           // nobody's: not archived

        const QList<type_events_record> events = archive.Events(QStringLiteral("20240001"));
        QCOMPARE(Days(events), QList<int>({5003, 5002, 5002, 5001}));
        QCOMPARE(events.at(1).parms[0], qint16(510)); // the order of the download, kept
        // An event differing only in its brightness is another event.
        type_events_record dimmer = download.first();
        dimmer.parms[2] = 2048;
        QCOMPARE(archive.Merge(QStringLiteral("20240001"), {dimmer}, 11), 1);

        const QList<TArchivedController> controllers = archive.Controllers();
        QCOMPARE(controllers.size(), 2);
        QCOMPARE(controllers.first().Serial, QStringLiteral("20240001"));
        QCOMPARE(controllers.first().EventCount, 5);
        QCOMPARE(controllers.first().Newest, QDateTime(QDate(2010, 1, 1).addDays(5003), QTime(10, 0), Qt::UTC));
        QCOMPARE(EventRows(events, QLocale(QStringLiteral("en_GB"))).first().Caption, QStringLiteral("13/09/23 10:00"));
    }

    void aWrappedLogKeepsTheOlderEvents()
    {
        Start();
        const TActionTarget target{dm->PortName(), QStringLiteral("20240001"), {}, {}};
        History().RecordEventDownload(target, DownloadEventLog(nullptr));
        TEventArchive archive(*fDM);
        QCOMPARE(archive.Events(target.Serial).size(), 93);
        const type_events_record oldest = archive.Events(target.Serial).last();

        // Five new events take the places of the five oldest in the controller's 93 slots.
        sim->WithController([](TBeaconController &c) {
            for (int i = 0; i < 5; ++i) {
                c.SetClock(QDateTime(QDate::currentDate().addDays(1), QTime(9, i)));
                c.AddEvent(6);
            }
        });
        const TEventLogDownload again = DownloadEventLog(nullptr);
        QCOMPARE(again.Events.size(), 93);
        History().RecordEventDownload(target, again);
        const QList<type_events_record> all = archive.Events(target.Serial);
        QCOMPARE(all.size(), 98);
        QCOMPARE(all.last().day_num, oldest.day_num);
        QCOMPARE(all.first().event_type, qint8(6));
        QVERIFY(fReports.isEmpty());

        const QList<TActionRecord> actions = THistoryRegister(*fDM).Actions();
        QCOMPARE(actions.size(), 2);
        QCOMPARE(actions.last().Action, QStringLiteral("events"));
        QCOMPARE(actions.last().Outcome, QStringLiteral("done"));
        QCOMPARE(actions.last().Serial, QStringLiteral("20240001"));
    }

    void unreadableSlotsAreNeverArchived()
    {
        // The download lists only the slots it could read (its own test says so); what it lists is archived.
        TEventLogDownload download;
        download.Events = {Event(5001, 60, 2), Event(5000, 60, 1)};
        download.Unreadable = 91;
        History().RecordEventDownload({QStringLiteral("ttyS0"), QStringLiteral("20240001"), {}, {}}, download);
        QCOMPARE(Days(TEventArchive(*fDM).Events(QStringLiteral("20240001"))), QList<int>({5001, 5000}));
        QCOMPARE(THistoryRegister(*fDM).Actions().first().Outcome,
                 QStringLiteral("91 of the Beacon's event log entries could not be read; they are not listed."));

        // Events of a controller that has not told its serial number are not archived, and the operator is told.
        TEventLogDownload anonymous;
        anonymous.Events = {Event(5000, 60, 1)};
        History().RecordEventDownload({}, anonymous);
        QCOMPARE(fReports, QStringList{"Events not archived: the Beacon has not told its serial number yet."});
    }

    void aFailingRegisterIsReportedOnceAndTheUploadGoesOn()
    {
        // A register table of another shape: every write of an action fails.
        fDM->Exec(QStringLiteral("DROP TABLE history_actions"));
        fDM->Exec(QStringLiteral("DROP TABLE history_events"));
        fDM->Exec(QStringLiteral("CREATE TABLE history_actions (id INTEGER PRIMARY KEY)"));
        fDM->Exec(QStringLiteral("CREATE TABLE history_events (id INTEGER PRIMARY KEY)"));
        Start();
        DeviceSchedule().Clear();
        DeviceSchedule().SaveRecord({1, 0, 0x1F, 450, 510}, true);
        DeviceCalendar().Clear();
        for (int attempt = 0; attempt < 2; ++attempt) {
            TSilentLog log;
            TRecordedAction record({dm->PortName(), QStringLiteral("20240001"), {}, {}}, THistoryRegister::Upload,
                                   TransferOptions(true, false, false));
            record.Run([&] { QVERIFY(UploadToBeacon(log, false, false, true, false)); });
            QCOMPARE(record.Write(), 0);
        }
        quint16 on = 0;
        sim->WithController([&on](TBeaconController &c) { on = c.schedule[0].on; });
        QCOMPARE(on, quint16(450));
        QCOMPARE(fReports.size(), 1);
        QVERIFY2(fReports.first().startsWith(QLatin1String("History not recorded: ")), qPrintable(fReports.first()));

        // Once writing works again, the next failure is news again.
        fDM->Exec(QStringLiteral("DROP TABLE history_actions"));
        fDM->Exec(QStringLiteral("DROP TABLE history_events"));
        QVERIFY(History().Record({}, {}) > 0);
        fDM.reset();
        TDM closed; // a data module with no database open
        QCOMPARE(History().Record({}, {}), 0);
        QCOMPARE(fReports.size(), 2);
        QCOMPARE(fReports.last(), QStringLiteral("History not recorded: No database is open."));
    }

    void anErrorIsTheOutcome()
    {
        TRecordedAction record({QStringLiteral("ttyS9"), {}, {}, {}}, THistoryRegister::Override,
                               OverrideOptions(1, QTime(15, 30, 59)));
        QCOMPARE(ErrorOf([&] { record.Run([] { throw Exception(QStringLiteral("The port ttyS9 is not open.")); }); }),
                 QStringLiteral("The port ttyS9 is not open."));
        const qint64 id = record.Write();
        QCOMPARE(record.Write(), id); // once
        const TActionRecord action = *THistoryRegister(*fDM).Action(id);
        QCOMPARE(action.Options, QStringLiteral("on until 15:30"));
        QCOMPARE(action.Outcome, QStringLiteral("The port ttyS9 is not open."));
        QCOMPARE(action.Source, QStringLiteral("window"));
        QVERIFY(!action.User.isEmpty());
        QVERIFY(qAbs(action.When.secsTo(QDateTime::currentDateTimeUtc())) < 60);
        QCOMPARE(action.When.timeSpec(), Qt::UTC);
        QCOMPARE(TransferOptions(true, true, true, true, true), QStringLiteral("schedule,holidays,advanced,clock,verify"));
        QCOMPARE(OverrideOptions(0, QTime(15, 30)), QStringLiteral("auto"));
    }

    // The register keeps text exactly; the library's tables keep their code
    // page; rows written in the code page before still read as they did.
    void theRegisterKeepsTextExactly()
    {
        const QString firmware = QString::fromLatin1("\xE9\x80\x85\xFF"); // as the link decodes its bytes
        const TActionTarget target{QStringLiteral("/dev/\u03A9\u03B2\u65E5"), QStringLiteral("2024\x1B[2J"),
                                   QStringLiteral("00\r\n"), firmware};
        TActionRecord action;
        action.Action = QStringLiteral("identify");
        action.Outcome = QStringLiteral("done \u2013 \u00E9");
        const qint64 id = History().Record(action, target);
        QVERIFY(id > 0);
        const TActionRecord read = *THistoryRegister(*fDM).Action(id);
        QCOMPARE(read.Port, target.Port);
        QCOMPARE(read.Serial, target.Serial);
        QCOMPARE(read.Board, target.Board);
        QCOMPARE(read.Firmware, firmware);
        QCOMPARE(read.Outcome, action.Outcome);
        QCOMPARE(THistoryRegister(*fDM).Actions(target.Serial).size(), 1);
        auto bytes = fDM->Query(QStringLiteral("SELECT hex(port), hex(firmware) FROM history_actions WHERE id = ?"), {id});
        QCOMPARE(bytes->FieldAsString(0).toLatin1(), target.Port.toUtf8().toHex().toUpper());
        QCOMPARE(bytes->FieldAsString(1).toLatin1(), firmware.toUtf8().toHex().toUpper());

        fDM->Exec(QStringLiteral("INSERT INTO history_actions (at_utc, action, outcome, port) "
                                 "VALUES ('2025-01-01T00:00:00.000Z', 'identify', 'done', X'436166E9')"));
        QCOMPARE(THistoryRegister(*fDM).Actions().last().Port, QStringLiteral("Caf\u00E9"));
    }

    // The row of an event-log download says so when its events could not be kept.
    void eventsThatCannotBeArchivedAreNamedInTheOutcome_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<bool>("archiveBroken");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("archived") << QStringLiteral("20240001") << false << QStringLiteral("done");
        QTest::newRow("no serial") << QString() << false
                                   << QStringLiteral("done; Events not archived: the Beacon has not told its serial "
                                                     "number yet.");
        QTest::newRow("archive not written")
            << QStringLiteral("20240001") << true
            << QStringLiteral("done; Events not archived: The library database \"%1\" could not be changed: "
                              "disk is full")
                   .arg(DbName());
    }
    void eventsThatCannotBeArchivedAreNamedInTheOutcome()
    {
        QFETCH(QString, serial);
        QFETCH(bool, archiveBroken);
        QFETCH(QString, outcome);
        if (archiveBroken) {
            fDM->Exec(QStringLiteral("CREATE TRIGGER no_room BEFORE INSERT ON history_events "
                                     "BEGIN SELECT RAISE(ABORT, 'disk is full'); END"));
        }
        TEventLogDownload download;
        download.Events = {Event(100, 60, 2), Event(99, 60, 3)};
        History().RecordEventDownload({QStringLiteral("ttyS0"), serial, {}, {}}, download);
        const QList<TActionRecord> actions = THistoryRegister(*fDM).Actions();
        QCOMPARE(actions.size(), 1);
        QCOMPARE(actions.first().Outcome, outcome);
        QCOMPARE(fReports.size(), outcome == QLatin1String("done") ? 0 : 1);
    }

    // The history list fetches a page at a time as it scrolls, newest first,
    // of one controller or of all.
    void theHistoryListFetchesAPageAtATime_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<int>("total");
        QTest::newRow("all") << QString() << 1200;
        QTest::newRow("one controller") << QStringLiteral("20240002") << 400;
        QTest::newRow("unknown controller") << QStringLiteral("99999999") << 0;
    }
    void theHistoryListFetchesAPageAtATime()
    {
        QFETCH(QString, serial);
        QFETCH(int, total);
        fDM->InTransaction([&] {
            for (int i = 0; i < 1200; ++i)
                fDM->Exec(QStringLiteral("INSERT INTO history_actions (at_utc, serial, action, outcome) "
                                         "VALUES ('2025-01-01T00:00:00.000Z', ?, 'identify', ?)"),
                          {QStringLiteral("2024000%1").arg(1 + i % 3), QString::number(i)});
        });
        QCOMPARE(THistoryRegister(*fDM).Controllers(),
                 (QStringList{QStringLiteral("20240001"), QStringLiteral("20240002"), QStringLiteral("20240003")}));
        THistoryModel model(*fDM);
        model.SetSerial(serial);
        QList<int> counts;
        while (model.canFetchMore({})) {
            model.fetchMore({});
            counts << model.rowCount();
        }
        QCOMPARE(model.rowCount(), total);
        QVERIFY(counts.size() >= (total + THistoryModel::PageSize - 1) / THistoryModel::PageSize);
        if (!counts.isEmpty())
            QCOMPARE(counts.first(), qMin(total, int(THistoryModel::PageSize)));
        for (int row = 1; row < model.rowCount(); ++row) {
            QVERIFY(model.ActionAt(row).Id < model.ActionAt(row - 1).Id);
            QVERIFY(serial.isEmpty() || model.ActionAt(row).Serial == serial);
        }
        if (total > 0)
            QCOMPARE(model.data(model.index(0, THistoryModel::ColOutcome)).toString(),
                     serial.isEmpty() ? QStringLiteral("1199") : QStringLiteral("1198"));
    }

    // The Event Log page's archive list fetches a page at a time in the
    // archive's own order and texts, across pages that end among events of
    // equal times; events archived while it is open neither repeat nor shift it.
    void theArchiveListFetchesAPageAtATime_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<int>("total");
        QTest::newRow("pages ending among equal times") << QStringLiteral("20240001") << 1203;
        QTest::newRow("one page") << QStringLiteral("20240002") << 300;
        QTest::newRow("unknown controller") << QStringLiteral("99999999") << 0;
        QTest::newRow("no controller") << QString() << 0;
    }
    void theArchiveListFetchesAPageAtATime()
    {
        QFETCH(QString, serial);
        QFETCH(int, total);
        TEventArchive archive(*fDM);
        for (const auto &[owner, count] : {std::pair{QStringLiteral("20240001"), 1203},
                                           std::pair{QStringLiteral("20240002"), 300}}) {
            // Seven events share each time, told apart by their voltage.
            QList<type_events_record> download;
            for (int i = count - 1; i >= 0; --i)
                download << Event(5000 + i / 7 / 1440, i / 7 % 1440, 2, 500 + i % 7);
            QCOMPARE(archive.Merge(owner, download, 1), count);
        }
        const QList<type_events_record> expected = archive.Events(serial);
        QCOMPARE(expected.size(), total);

        TEventArchiveModel model(*fDM);
        model.SetSerial(serial);
        model.fetchMore({});
        archive.Merge(serial, {Event(6000, 0, 3)}, 2);
        while (model.canFetchMore({}))
            model.fetchMore({});
        QCOMPARE(model.rowCount(), total);
        const QList<TListItem> texts = EventRows(expected);
        for (int row = 0; row < total; ++row) {
            const type_events_record &e = model.RowAt(row).Event;
            QCOMPARE(QList<int>({e.day_num, e.minutes_num, e.parms[0]}),
                     QList<int>({expected.at(row).day_num, expected.at(row).minutes_num, expected.at(row).parms[0]}));
            QStringList shown;
            for (int column = 0; column < model.columnCount(); ++column)
                shown << model.data(model.index(row, column)).toString();
            QCOMPARE(shown, QStringList{texts.at(row).Caption} + texts.at(row).SubItems);
        }
    }

    void anIdentityIsRecordedOncePerConnection()
    {
        const TActionTarget first{QStringLiteral("ttyS0"), QStringLiteral("20240001"), QStringLiteral("0003"),
                                  QStringLiteral("0105")};
        History().NoteIdentity(first);
        History().NoteIdentity(first); // the poll's next answer
        History().NoteIdentity({QStringLiteral("ttyS0"), {}, {}, {}}); // no identity: nothing to record
        TActionTarget other = first;
        other.Serial = QStringLiteral("20240002");
        History().NoteIdentity(other);
        History().NewConnection();
        History().NoteIdentity(other);
        const QList<TActionRecord> actions = THistoryRegister(*fDM).Actions();
        QCOMPARE(actions.size(), 3);
        QCOMPARE(actions.first().Action, QStringLiteral("identify"));
        QCOMPARE(actions.first().Board, QStringLiteral("0003"));
        QCOMPARE(actions.first().Firmware, QStringLiteral("0105"));
        QCOMPARE(actions.last().Serial, QStringLiteral("20240002"));
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
