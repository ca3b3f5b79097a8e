// pvbcs-cli's reports: PDF files made from a configuration and an event log
// that were downloaded from the simulated controller, and the usage errors.
#include "../core/report/pdftext.h"
#include "config/commandline.h"
#include "link/portlist.h"
#include "sim/beaconsimulator.h"
#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {
struct TRun {
    int code = -1;
    QStringList out;
    QString err;
};

TRun Cli(const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_GB")); // day-first dates, 24-hour clock
    env.remove(QStringLiteral("QT_QPA_PLATFORM")); // the tool needs no display of its own
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(PVBCS_CLI), arguments);
    if (!process.waitForFinished(120000))
        return {};
    TRun run;
    run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    run.err = QString::fromUtf8(process.readAllStandardError()).trimmed();
    return run;
}

// The fields of an event-log file's lines: date, event, two voltages, brightness.
QList<QStringList> EventFileRows(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QStringList> rows;
    for (const QString &line : QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        rows.append(line.mid(1, line.size() - 3).split(QStringLiteral("\",\"")));
    return rows;
}

}

class TestCliReport : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        QDir(VirtualPortFolder()).removeRecursively();
        QVERIFY(dir.isValid());
        // The beacon's own configuration and log, as a technician fetches them.
        TBeaconSimulator sim;
        QCOMPARE(Cli({"--port", sim.PortName(), "download", "--out", path("beacon.bcfg")}).code, 0);
        QCOMPARE(Cli({"--port", sim.PortName(), "events", "--out", path("events.csv")}).code, 0);
    }

    void configurationReportOfADownloadedConfiguration()
    {
        const TRun run = Cli({"report", "config", "--in", path("beacon.bcfg"), "--pdf", path("config.pdf")});
        QCOMPARE(run.code, 0);
        QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
        QCOMPARE(run.out, QStringList{"1 page(s) written to " + path("config.pdf")});
        const QString text = PdfPageTexts(path("config.pdf")).join(QString());
        QVERIFY(text.contains(QLatin1String("Beacons' Schedule and Calendar")));
        QVERIFY(text.contains(PdfRowPattern({"Flashing Pattern:", "Alternating One Flash (Default)", "Radio Mode:",
                                          "Single Beacon System"})));
        QVERIFY(text.contains(PdfRowPattern({"Flashing Speed:", "Medium (Default)", "Radio Link:", "OFF"})));
        QVERIFY(text.contains(PdfRowPattern({"Days", "Time ON", "Time OFF", "Duration"})));
        QVERIFY(text.contains(PdfRowPattern({"Mo,Tu,We,Th,Fr", "07:00", "08:30", "1 hr 30 min"})));
        QVERIFY(text.contains(PdfRowPattern({"Mo,Tu,We,Th,Fr", "14:30", "15:30", "1 hr 0 min"})));
        QVERIFY(text.contains(PdfRowPattern({"Name", "Date From", "Date To", "Duration", "Substitute"})));
        QVERIFY(text.contains(QRegularExpression("XMAS\\s+25/12/\\d{4}\\s+25/12/\\d{4}\\s+1 day\\(s\\)\\s+Sunday")));
    }

    void eventReportHoldsEveryRowOnPagesWithTheirHeader()
    {
        const QList<QStringList> events = EventFileRows(path("events.csv"));
        QCOMPARE(events.size(), 93);
        const TRun run = Cli({"report", "events", "--in", path("events.csv"), "--settings", path("beacon.bcfg"),
                              "--pdf", path("events.pdf")});
        QCOMPARE(run.code, 0);
        QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
        const QStringList pages = PdfPageTexts(path("events.pdf"));
        QCOMPARE(run.out, QStringList{QStringLiteral("%1 page(s) written to ").arg(pages.size()) + path("events.pdf")});
        QVERIFY(pages.size() >= 2);
        QVERIFY(pages.at(0).contains(QLatin1String("Event Log")));
        QVERIFY(pages.at(0).contains(PdfRowPattern({"Flashing Speed:", "Medium (Default)", "Radio Link:", "OFF"})));
        QVERIFY(pages.at(0).contains(PdfRowPattern({"Flashing Pattern:", "Alternating One Flash (Default)", "Radio Mode:",
                                                 "Single Beacon System"})));
        // Each row on a line of its own, in file order, without the second voltage.
        int row = 0;
        for (const QString &page : pages) {
            QVERIFY(page.contains(PdfRowPattern({"Date/Time", "Events", "Power Supply", "Brightness"})));
            for (const QString &line : page.split(u'\n')) {
                if (row < events.size() && line.contains(PdfRowPattern({events.at(row).at(0), events.at(row).at(1),
                                                                     events.at(row).at(2), events.at(row).at(4)})))
                    ++row;
            }
        }
        QCOMPARE(row, 93);

        // Without a settings file the settings block keeps its labels only.
        QCOMPARE(Cli({"report", "events", "--in", path("events.csv"), "--pdf", path("bare.pdf")}).code, 0);
        const QString bare = PdfPageTexts(path("bare.pdf")).join(QString());
        QVERIFY(bare.contains(QLatin1String("Flashing Pattern:")));
        QVERIFY(!bare.contains(QLatin1String("Alternating One Flash (Default)")));
        QCOMPARE(bare.count(QLatin1String("Power Supply")), pages.size());
    }

    void usageAndFileErrors()
    {
        const QString pdf = path("never.pdf");
        const struct {
            QStringList arguments;
            int code;
            QString error;
        } cases[] = {
            {{"report", "--in", path("beacon.bcfg"), "--pdf", pdf}, ExitUsage, "The command report takes config or events."},
            {{"report", "summary", "--in", path("beacon.bcfg"), "--pdf", pdf}, ExitUsage,
             "The command report takes config or events."},
            {{"report", "config", "--in", path("beacon.bcfg")}, ExitUsage, "The command report needs --pdf."},
            {{"report", "config", "--in", path("beacon.bcfg"), "--pdf", pdf, "--settings", path("beacon.bcfg")}, ExitUsage,
             "The command report config does not take --settings."},
            {{"--port", "auto", "report", "config", "--in", path("beacon.bcfg"), "--pdf", pdf}, ExitUsage,
             "The command report does not take --port."},
            {{"report", "config", "--in", path("missing.bcfg"), "--pdf", pdf}, 4,
             "The file " + path("missing.bcfg") + " does not exist."},
            {{"report", "events", "--in", path("events.csv"), "--settings", path("missing.bcfg"), "--pdf", pdf}, 4,
             "The file " + path("missing.bcfg") + " does not exist."},
            {{"report", "events", "--in", path("beacon.bcfg"), "--pdf", pdf}, 4,
             "Line 1 of " + path("beacon.bcfg") + " does not hold the five fields of an event."},
            {{"report", "config", "--in", path("beacon.bcfg"), "--pdf", path("no/folder/x.pdf")}, 4,
             "Unable to write to " + path("no/folder/x.pdf")},
        };
        for (const auto &c : cases) {
            const TRun run = Cli(c.arguments);
            QVERIFY2(run.code == c.code, qPrintable(c.arguments.join(u' ') + u' ' + QString::number(run.code)));
            QVERIFY2(run.err.startsWith(c.error), qPrintable(run.err));
            QVERIFY(run.out.isEmpty());
        }
        QVERIFY(!QFile::exists(pdf));
    }

    void helpNamesTheReports()
    {
        const TRun run = Cli({"--help"});
        QCOMPARE(run.code, 0);
        const QString help = run.out.join(u' ').simplified();
        QVERIFY(help.contains("pvbcs-cli report config --in FILE.bcfg --pdf OUT.pdf"));
        QVERIFY(help.contains("pvbcs-cli report events --in FILE.csv --pdf OUT.pdf [--settings FILE.bcfg]"));
    }
};

QTEST_MAIN(TestCliReport)
#include "tst_clireport.moc"
