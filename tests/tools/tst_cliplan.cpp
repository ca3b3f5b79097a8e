// pvbcs-cli plan: a school's winter-break configuration as a table, as the one
// JSON document and as a calendar file another program reads back.
#include "config/commandline.h"
#include "testenv.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <libical/ical.h>

namespace {
struct TRun {
    int code = -1;
    QByteArray out;
    QString err;
};

TRun Cli(const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_GB"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(PVBCS_CLI), arguments);
    if (!process.waitForFinished(120000))
        return {};
    TRun run;
    run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = process.readAllStandardOutput();
    run.err = QString::fromUtf8(process.readAllStandardError()).trimmed();
    return run;
}

const QString Config = QStringLiteral(PVBCS_PLAN_DATA "/winterbreak.bcfg");
}

class TestCliPlan : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        QVERIFY(dir.isValid());
    }

    void jsonDocument()
    {
        const TRun run = Cli({"plan", "--in", Config, "--from", "2026-12-18", "--to", "2027-01-10", "--json"});
        QCOMPARE(run.code, 0);
        QVERIFY(run.out.startsWith("{\"from\": \"2026-12-18\", \"to\": \"2027-01-10\", \"days\": ["));
        QVERIFY(run.out.contains("{\"date\": \"2026-12-21\", \"weekday\": \"Monday\", \"follows\": \"Monday\", "
                                 "\"record\": null, \"on\": [[\"07:00\", \"08:30\"], [\"14:30\", \"15:30\"]]}"));
        QJsonParseError error;
        const QJsonObject doc = QJsonDocument::fromJson(run.out, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        const QJsonArray days = doc.value("days").toArray();
        QCOMPARE(days.size(), 24);
        const QJsonObject makeUp = days.at(22).toObject();
        QCOMPARE(makeUp.value("date").toString(), QStringLiteral("2027-01-09"));
        QCOMPARE(makeUp.value("follows").toString(), QStringLiteral("Monday"));
        QCOMPARE(makeUp.value("record").toInt(), 2);
        // One interval: a QJsonValue, or clang's braces copy the inner array.
        QCOMPARE(days.at(21).toObject().value("on").toArray(),
                 (QJsonArray{QJsonValue(QJsonArray{"07:00", "12:00"})}));
        QStringList warnings;
        for (const QJsonValue w : doc.value("warnings").toArray())
            warnings << w.toObject().value("date").toString();
        // Friday's second afternoon record, both records on Christmas Eve, the DST rule's year.
        QCOMPARE(warnings, (QStringList{"2026-12-18", "2026-12-24", "2027-01-01"}));
    }

    void tableAndCalendarFile()
    {
        const QString ics = dir.filePath("plan.ics");
        const TRun run = Cli({"plan", "--in", Config, "--from", "2027-01-04", "--to", "2027-01-10", "--ics", ics});
        QCOMPARE(run.code, 0);
        const QStringList lines = QString::fromUtf8(run.out).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 10);
        QCOMPARE(lines.at(4), QStringLiteral("2027-01-07  Thursday   Special Day Mode #3  5 TESTING            13:00-14:00"));
        QCOMPARE(lines.at(7), QStringLiteral("2027-01-10  Sunday     Sunday                                    dark"));
        QCOMPARE(lines.at(9), QStringLiteral("2027-01-04  The daylight-saving rule holds dates for 2026 only; the clock "
                                             "will not shift after 2026."));

        QFile file(ics);
        QVERIFY(file.open(QIODevice::ReadOnly));
        icalcomponent *root = icalparser_parse_string(file.readAll().constData());
        QVERIFY(root);
        QStringList events;
        for (icalcomponent *e = icalcomponent_get_first_component(root, ICAL_VEVENT_COMPONENT); e;
             e = icalcomponent_get_next_component(root, ICAL_VEVENT_COMPONENT))
            events << QString::fromUtf8(icaltime_as_ical_string(icalcomponent_get_dtstart(e))) + u'-' +
                          QString::fromUtf8(icaltime_as_ical_string(icalcomponent_get_dtend(e))).mid(9) + u' ' +
                          QString::fromUtf8(icalcomponent_get_summary(e));
        icalcomponent_free(root);
        QCOMPARE(events.size(), 10); // three school days of two, two special days of one, the make-up day's two
        QCOMPARE(events.at(6), QStringLiteral("20270107T130000-140000 Beacon flashing (Special Day Mode #3)"));
        QCOMPARE(events.last(), QStringLiteral("20270109T143000-153000 Beacon flashing (Monday)"));
    }

    void refusals_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("error");
        const QStringList base{"plan", "--in", Config};
        QTest::newRow("date as written locally") << base + QStringList{"--from", "21/12/2026", "--to", "2027-01-10"}
                                                 << int(ExitUsage) << "--from takes a date as YYYY-MM-DD";
        QTest::newRow("no such date") << base + QStringList{"--from", "2026-12-21", "--to", "2027-02-30"}
                                      << int(ExitUsage) << "--to takes a date as YYYY-MM-DD";
        QTest::newRow("reversed") << base + QStringList{"--from", "2027-01-10", "--to", "2026-12-21"} << int(ExitUsage)
                                  << "--from must not be later than --to.";
        QTest::newRow("missing end") << base + QStringList{"--from", "2026-12-21"} << int(ExitUsage) << "--to";
        QTest::newRow("two documents on standard output")
            << base + QStringList{"--from", "2026-12-21", "--to", "2026-12-22", "--json", "--ics", "-"} << int(ExitUsage)
            << "not both";
        QTest::newRow("missing file") << QStringList{"plan", "--in", "/nonexistent/x.bcfg", "--from", "2026-12-21",
                                                     "--to", "2026-12-22"}
                                      << 4 << "does not exist";
    }
    void refusals()
    {
        QFETCH(QStringList, arguments);
        const TRun run = Cli(arguments);
        QTEST(run.code, "code");
        QFETCH(QString, error);
        QVERIFY2(run.err.contains(error), qPrintable(run.err));
    }
};

QTEST_GUILESS_MAIN(TestCliPlan)
#include "tst_cliplan.moc"
