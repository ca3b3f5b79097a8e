// Proof of operation: archived events against the plan of the configuration
// in force, the downloads' coverage, the configurations the register saw,
// and the report, JSON and chart made of it.
#include "audit/auditsource.h"
#include "audit/operationreport.h"
#include "history/register.h"
#include "store/datamodule.h"
#include "store/device.h"
#include "store/librarydb.h"
#include "testenv.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QDate Monday(2025, 3, 3);
const QString Serial = QStringLiteral("SN-4711");

struct TLogged {
    int Day; // after Monday
    QString Time;
    int Code;
    int Raw = 505;
};

type_events_record Event(const TLogged &l)
{
    const QTime t = QTime::fromString(l.Time, QStringLiteral("HH:mm"));
    type_events_record e;
    e.day_num = qint16(QDate(2010, 1, 1).daysTo(Monday) + l.Day);
    e.minutes_num = qint16(t.hour() * 60 + t.minute());
    e.event_type = qint8(l.Code);
    e.parms[0] = qint16(l.Raw);
    e.parms[1] = 505;
    e.parms[2] = 1024;
    return e;
}

QList<type_events_record> Events(const QList<TLogged> &logged)
{
    QList<type_events_record> events;
    for (const TLogged &l : logged)
        events.append(Event(l));
    return events;
}

TScheduleRec Rec(quint8 days, int on, int off)
{
    TScheduleRec r;
    r.RecDay = days;
    r.RecOnTime = on;
    r.RecOffTime = off;
    return r;
}

// School days 07:00-08:30 and 14:30-15:30; nothing at the weekend.
TBeaconConfiguration SchoolDays()
{
    TBeaconConfiguration c;
    c.Schedule = {Rec(0x1F, 7 * 60, 8 * 60 + 30), Rec(0x1F, 14 * 60 + 30, 15 * 60 + 30)};
    return c;
}

// A Monday logged as planned.
const QList<TLogged> PlannedMonday = {{0, "07:00", 2}, {0, "08:30", 3}, {0, "14:30", 2}, {0, "15:30", 3}};

QList<TLogged> With(QList<TLogged> base, const QList<TLogged> &more, int without = -1)
{
    if (without >= 0)
        base.removeAt(without);
    return base + more;
}

QString Kinds(const TAuditDay &day)
{
    QStringList kinds;
    for (const TDeviation &d : day.Deviations)
        kinds << d.Kind;
    return kinds.join(u',');
}

// The register's time of a moment on this computer's wall clock.
QDateTime Local(QDate date, const char *time)
{
    return QDateTime(date, QTime::fromString(QString::fromLatin1(time), QStringLiteral("HH:mm")), Qt::LocalTime).toUTC();
}

QByteArray ConfigText(const TBeaconConfiguration &config, const TConfigParts &parts = {})
{
    DeviceSchedule().SetRecords(config.Schedule);
    DeviceCalendar().SetRecords(config.Calendar);
    return SettingsFileText(parts, config.Advanced, QLocale::c());
}
}

class TestAudit : public QObject {
    Q_OBJECT
    QTemporaryDir fDir;
    std::unique_ptr<TDM> fDM;

    qint64 AddAction(const char *action, const QDateTime &when, const QString &outcome, const QByteArray &config = {})
    {
        TActionRecord a;
        a.When = when;
        a.Source = QStringLiteral("cli");
        a.Serial = Serial;
        a.Action = QString::fromLatin1(action);
        a.Outcome = outcome;
        a.Config = config;
        return THistoryRegister(*fDM).Add(a);
    }

    // An event download at `when` of the events (oldest first, as written here).
    void Download(const QDateTime &when, const QList<TLogged> &logged, const QString &outcome = QStringLiteral("done"))
    {
        QList<type_events_record> events = Events(logged);
        std::reverse(events.begin(), events.end());
        TEventArchive(*fDM).Merge(Serial, events, AddAction(THistoryRegister::Events, when, outcome));
    }

private Q_SLOTS:
    void initTestCase() { InitTestEnvironment(); }

    void init()
    {
        fDM.reset();
        const QString name = fDir.filePath(QStringLiteral("pvbcs.db"));
        QFile::remove(name);
        QVERIFY(CreateLibraryDatabase(name));
        fDM = std::make_unique<TDM>();
        QVERIFY(fDM->OpenDatabase(name));
    }

    void eachKindOfDeviation_data()
    {
        QTest::addColumn<QList<TLogged>>("logged");
        QTest::addColumn<int>("day");
        QTest::addColumn<QString>("kinds");
        QTest::addColumn<int>("matched");
        QTest::addColumn<int>("status");
        const int as = int(TDayStatus::AsPlanned), dev = int(TDayStatus::Deviating);
        QTest::newRow("as planned") << PlannedMonday << 0 << "" << 4 << as;
        QTest::newRow("within the tolerance") << With(PlannedMonday, {{0, "07:02", 2}}, 0) << 0 << "" << 4 << as;
        QTest::newRow("late") << With(PlannedMonday, {{0, "07:09", 2}}, 0) << 0 << "late" << 3 << dev;
        QTest::newRow("early") << With(PlannedMonday, {{0, "08:20", 3}}, 1) << 0 << "early" << 3 << dev;
        QTest::newRow("missing") << With(PlannedMonday, {}, 3) << 0 << "missing" << 3 << dev;
        QTest::newRow("extra pair") << With(PlannedMonday, {{0, "20:00", 2}, {0, "20:30", 3}}) << 0 << "extra,extra"
                                    << 4 << dev;
        QTest::newRow("switch-on logged as off") << With(PlannedMonday, {{0, "07:00", 3}}, 0) << 0
                                                 << "missing,extra" << 3 << dev;
        QTest::newRow("manual") << With(PlannedMonday, {{0, "10:00", 4}, {0, "10:05", 5}}) << 0 << "manual,manual"
                                << 4 << dev;
        QTest::newRow("override") << With(PlannedMonday, {{0, "09:00", 6}, {0, "23:00", 7}}) << 0
                                  << "override,override" << 4 << dev;
        QTest::newRow("master") << With(PlannedMonday, {{0, "11:00", 8}, {0, "11:10", 9}}) << 0 << "master,master"
                                << 4 << dev;
        QTest::newRow("reset") << With(PlannedMonday, {{0, "03:12", 1}}) << 0 << "reset" << 4 << dev;
        QTest::newRow("quiet weekend") << QList<TLogged>{} << 5 << "" << 0 << as;
        QTest::newRow("switched at the weekend") << QList<TLogged>{{6, "07:00", 2}, {6, "08:30", 3}} << 6
                                                 << "extra,extra" << 0 << dev;
    }

    void eachKindOfDeviation()
    {
        QFETCH(QList<TLogged>, logged);
        QFETCH(int, day);
        TAuditInput input;
        input.From = Monday;
        input.To = Monday.addDays(6);
        input.Configs = {{WallMinute(Monday.addDays(-30)), 1, true, SchoolDays()}};
        input.Covered = {{WallMinute(Monday.addDays(-1)), WallMinute(Monday.addDays(8))}};
        input.Events = Events(logged);
        const TAudit audit = CompareOperation(input);
        QCOMPARE(audit.Days.size(), 7);
        QFETCH(QString, kinds);
        QFETCH(int, matched);
        QFETCH(int, status);
        const TAuditDay &d = audit.Days.at(day);
        QCOMPARE(Kinds(d), kinds);
        QCOMPARE(d.Matched, matched);
        QCOMPARE(int(d.Status), status);
        for (const TDeviation &dev : d.Deviations)
            QVERIFY2(!dev.Text.isEmpty(), qPrintable(dev.Kind));
    }

    void gapsAndUnknownConfigurationsAreNeverCorrect_data()
    {
        QTest::addColumn<QList<TCoveredSpan>>("covered");
        QTest::addColumn<bool>("configured");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("kinds");
        const TWallMinute noon = WallMinute(Monday, QTime(12, 0));
        QTest::newRow("no download covers it") << QList<TCoveredSpan>{} << true << int(TDayStatus::NotRecorded) << "";
        QTest::newRow("read at noon") << QList<TCoveredSpan>{{noon - 3000, noon}} << true
                                      << int(TDayStatus::Deviating) << "not recorded,manual";
        QTest::newRow("from noon on") << QList<TCoveredSpan>{{noon, noon + 3000}} << true
                                      << int(TDayStatus::Deviating) << "not recorded,missing,missing,manual";
        QTest::newRow("no configuration before") << QList<TCoveredSpan>{{noon - 3000, noon + 3000}} << false
                                                 << int(TDayStatus::ConfigurationUnknown) << "manual";
    }

    void gapsAndUnknownConfigurationsAreNeverCorrect()
    {
        QFETCH(QList<TCoveredSpan>, covered);
        QFETCH(bool, configured);
        QFETCH(int, status);
        QFETCH(QString, kinds);
        TAuditInput input;
        input.From = input.To = Monday;
        if (configured)
            input.Configs = {{WallMinute(Monday.addDays(-1)), 1, true, SchoolDays()}};
        else // recorded the same day: not in force before it
            input.Configs = {{WallMinute(Monday, QTime(6, 0)), 1, true, SchoolDays()}};
        input.Covered = covered;
        // The afternoon switches are missing, and someone switched by hand:
        // what was logged is told, covered or not.
        input.Events = Events({{0, "07:00", 2}, {0, "08:30", 3}, {0, "16:00", 4}});
        const TAudit audit = CompareOperation(input);
        QCOMPARE(int(audit.Days.at(0).Status), status);
        QCOMPARE(Kinds(audit.Days.at(0)), kinds);
        QCOMPARE(audit.DaysAsPlanned(), 0);
    }

    void downloadsCoverWhatTheyProve_data()
    {
        QTest::addColumn<QList<TArchivedDownload>>("downloads");
        QTest::addColumn<QList<TCoveredSpan>>("spans");
        const QDateTime t1 = Local(Monday, "12:00"), t2 = Local(Monday.addDays(10), "12:00"),
                        t3 = Local(Monday.addDays(40), "12:00");
        const TWallMinute m1 = WallMinute(t1), m2 = WallMinute(t2), m3 = WallMinute(t3);
        const auto dl = [](qint64 id, const QDateTime &when, bool complete, int count, TWallMinute oldest,
                           TWallMinute newest) { return TArchivedDownload{id, when, complete, count, oldest, newest}; };
        QTest::newRow("first download") << QList<TArchivedDownload>{dl(1, t1, true, 20, m1 - 5000, m1 - 60)}
                                        << QList<TCoveredSpan>{{m1 - 5000, m1}};
        QTest::newRow("overlapping download joins on")
            << QList<TArchivedDownload>{dl(1, t1, true, 20, m1 - 5000, m1 - 60), dl(2, t2, true, 40, m2 - 9000, m2 - 5)}
            << QList<TCoveredSpan>{{m1 - 5000, m1}, {m1, m2}};
        QTest::newRow("a whole log of new events leaves a gap")
            << QList<TArchivedDownload>{dl(1, t1, true, 20, m1 - 5000, m1 - 60), dl(2, t2, true, 93, m2 - 900, m2 - 5)}
            << QList<TCoveredSpan>{{m1 - 5000, m1}, {m2 - 900, m2}};
        QTest::newRow("an incomplete download covers nothing")
            << QList<TArchivedDownload>{dl(1, t1, true, 20, m1 - 5000, m1 - 60), dl(2, t2, false, 30, m2 - 900, m2),
                                        dl(3, t3, true, 10, m3 - 100, m3)}
            << QList<TCoveredSpan>{{m1 - 5000, m1}, {m2, m3}};
        QTest::newRow("a controller clock ahead") << QList<TArchivedDownload>{dl(1, t1, true, 3, m1 - 50, m1 + 7)}
                                                  << QList<TCoveredSpan>{{m1 - 50, m1 + 7}};
        QTest::newRow("an empty first log proves nothing") << QList<TArchivedDownload>{dl(1, t1, true, 0, 0, 0)}
                                                           << QList<TCoveredSpan>{};
    }

    void downloadsCoverWhatTheyProve()
    {
        QFETCH(QList<TArchivedDownload>, downloads);
        QFETCH(QList<TCoveredSpan>, spans);
        const QList<TCoveredSpan> got = CoveredSpans(downloads);
        QCOMPARE(got.size(), spans.size());
        for (qsizetype i = 0; i < got.size(); ++i) {
            QCOMPARE(got[i].From, spans[i].From);
            QCOMPARE(got[i].To, spans[i].To);
        }
    }

    // Upload, failed upload, partial download, failed download, full download.
    void theConfigurationInForceIsTheLastOneSeenBeforeTheDate()
    {
        TBeaconConfiguration late = SchoolDays();
        late.Schedule[0].RecOnTime = 7 * 60 + 30;
        AddAction(THistoryRegister::Upload, Local(Monday.addDays(-10), "10:00"), QStringLiteral("done"), ConfigText(SchoolDays()));
        AddAction(THistoryRegister::Upload, Local(Monday.addDays(1), "10:00"), QStringLiteral("No answer"), ConfigText(late));
        AddAction(THistoryRegister::Download, Local(Monday.addDays(2), "10:00"), QStringLiteral("done"),
                  ConfigText(late, {true, false, false}));
        AddAction(THistoryRegister::Download, Local(Monday.addDays(3), "10:00"), QStringLiteral("Port gone"),
                  ConfigText(SchoolDays()));
        AddAction(THistoryRegister::Download, Local(Monday.addDays(3), "11:00"), QStringLiteral("done"), ConfigText(late));
        const QList<TConfigPeriod> periods = ConfigPeriods(*fDM, Serial);
        QCOMPARE(periods.size(), 4);
        QCOMPARE((QList<bool>{periods[0].Known, periods[1].Known, periods[2].Known, periods[3].Known}),
                 (QList<bool>{true, false, false, true}));
        QCOMPARE(periods[3].Config.Schedule.at(0).RecOnTime, 7 * 60 + 30);

        QList<TLogged> week = {{-1, "20:00", 1}};
        for (int day = 0; day < 5; ++day)
            week += {{day, "07:00", 2}, {day, "08:30", 3}, {day, "14:30", 2}, {day, "15:30", 3}};
        Download(Local(Monday.addDays(5), "09:00"), week);
        const TAudit audit = CompareOperation(LoadAuditInput(*fDM, Serial, Monday, Monday.addDays(5)));
        QList<int> status;
        for (const TAuditDay &d : audit.Days)
            status << int(d.Status);
        const int as = int(TDayStatus::AsPlanned), unknown = int(TDayStatus::ConfigurationUnknown);
        // Thursday follows the download of Wednesday: 07:30, so 07:00 is early; Friday too.
        QCOMPARE(status, (QList<int>{as, as, unknown, unknown, int(TDayStatus::Deviating), int(TDayStatus::Deviating)}));
        QCOMPARE(Kinds(audit.Days.at(4)), QStringLiteral("early"));
        QCOMPARE(Kinds(audit.Days.at(5)), QStringLiteral("not recorded"));
        QCOMPARE(audit.DaysPlanned(), 4);
    }

    void reportAndJsonOfAnArchiveWithGaps()
    {
        AddAction(THistoryRegister::Upload, Local(Monday.addDays(-3), "10:00"), QStringLiteral("done"), ConfigText(SchoolDays()));
        Download(Local(Monday.addDays(1), "18:00"), With(PlannedMonday, {{0, "03:00", 1, 430}, {1, "07:00", 2}}));
        // A whole new log a week later: Tuesday evening to Thursday are lost.
        QList<TLogged> full;
        for (int i = 0; i < 93; ++i)
            full += {9 + i / 60, QTime(6, 0).addSecs((i % 60) * 60).toString(QStringLiteral("HH:mm")), 4, 500 + i};
        Download(Local(Monday.addDays(10), "18:00"), full);
        const TOperationAudit audit = AuditController(*fDM, Serial, Monday, Monday.addDays(6));
        QCOMPARE(audit.Audit.DaysNotRecorded(), 5); // Wednesday to Sunday
        QCOMPARE(audit.Audit.DaysAsPlanned(), 0);
        QCOMPARE(audit.Audit.DeviationCounts().value(DeviationKind::Reset), 1);
        QCOMPARE(audit.Voltage.Lowest.first().Volts, 430 / 42.08);

        const QByteArray json = QJsonDocument(OperationAuditJson(audit)).toJson();
        QJsonParseError error;
        const QJsonObject doc = QJsonDocument::fromJson(json, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(doc.value(QStringLiteral("serial")).toString(), Serial);
        QCOMPARE(doc.value(QStringLiteral("days")).toArray().size(), 7);
        QCOMPARE(doc.value(QStringLiteral("summary")).toObject().value(QStringLiteral("daysNotRecorded")).toInt(), 5);
        const QJsonObject monday = doc.value(QStringLiteral("days")).toArray().at(0).toObject();
        QCOMPARE(monday.value(QStringLiteral("planned")).toArray().at(1).toArray().at(0).toString(), QStringLiteral("14:30"));
        const QJsonArray deviations = monday.value(QStringLiteral("deviations")).toArray();
        QCOMPARE(deviations.size(), 2); // not recorded before the oldest event, then the reset
        QCOMPARE(deviations.at(1).toObject().value(QStringLiteral("kind")).toString(), QStringLiteral("reset"));
        QCOMPARE(deviations.at(0).toObject().value(QStringLiteral("planned")), QJsonValue());

        TReportTemplate report = CreateOperationReport(audit, QLocale::c());
        const TPreparedReport pages = report.Prepare();
        QVERIFY(!pages.Pages.isEmpty());
        const QStringList texts = pages.Pages.first().Texts();
        for (const char *text : {"Operation Report", "Summary", "Deviations", "System turned ON after reset", "SN-4711"})
            QVERIFY2(texts.join(u'\n').contains(QLatin1String(text)), text);
        const QString pdf = fDir.filePath(QStringLiteral("operation.pdf"));
        pages.ExportToPdf(pdf);
        QVERIFY(QFileInfo(pdf).size() > 1000);
    }

    void theLowestReadingsAreMarkedOnceADay()
    {
        const QList<type_events_record> events =
            Events({{0, "01:00", 1, 480}, {0, "02:00", 1, 470}, {1, "03:00", 1, 490}, {2, "04:00", 1, 520}, {9, "04:00", 1, 1}});
        const TVoltageSeries s = MakeVoltageSeries(events, Monday, Monday.addDays(6), 3, 2);
        QCOMPARE(s.Lowest.size(), 2);
        QCOMPARE(s.Lowest[0].Volts, 470 / 42.08); // outside the range: not counted
        QCOMPARE(s.Lowest[1].Volts, 490 / 42.08); // Monday's second reading is not marked again
        QVERIFY(s.Low.size() <= 3);
        QCOMPARE(s.Max, 520 / 42.08);
        QVERIFY(MakeVoltageSeries({}, Monday, Monday).IsEmpty());
        QCOMPARE(VoltageChartImage(s, QSizeF(100, 40), 100).size(), QSize(393, 157));
    }
};

QTEST_MAIN(TestAudit)
#include "tst_audit.moc"
