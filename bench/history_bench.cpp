// History figures: what recording one action costs, reading one controller's
// archive of 100,000 events, and listing 10,000 recorded actions (in process
// and with pvbcs-cli history); then the scale figures against their targets:
// the history list opening on 100,000 actions, the window's Event Archive on
// 1,000,000 events, and pvbcs-cli history, history --json and events
// --archive on them, time and peak memory. Run it on an idle machine.
#include "eventlog/events.h"
#include "history/eventarchive.h"
#include "history/eventarchivemodel.h"
#include "history/historymodel.h"
#include "history/recorder.h"
#include "history/register.h"
#include "store/datamodule.h"
#include "store/librarydb.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {
constexpr int kWrites = 500;
constexpr int kArchived = 100000;
constexpr int kActions = 10000;
constexpr int kRuns = 5;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.at(v.size() / 2);
}

double msSince(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// Scale targets.
constexpr int kScaleActions = 100000;
constexpr int kScaleEvents = 1000000;
constexpr double kOpenTargetMs = 500;
constexpr double kOpenTargetMb = 50;
constexpr double kCliTargetMb = 50;
constexpr double kJsonTargetMs = 1000;

// This process's resident memory, in MB.
double ResidentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

const char *Verdict(bool met)
{
    return met ? "met" : "NOT MET";
}

// pvbcs-cli run with its output thrown away: the time and its peak resident memory.
struct TChildRun {
    double ms = 0;
    double peakMb = 0;
    int code = -1;
};

// Runs pvbcs-cli with arguments, its output thrown away, and prints its time,
// peak resident memory (kB) and exit status. Done by a fresh copy of this
// program: a child's peak counts the memory of the process it was forked
// from, which here holds the archive.
int MeasureCli(int argc, char **argv)
{
    std::vector<char *> args{const_cast<char *>(PVBCS_CLI)};
    for (int i = 2; i < argc; ++i)
        args.push_back(argv[i]);
    args.push_back(nullptr);
    QElapsedTimer t;
    t.start();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    std::printf("%.1f %ld %d\n", msSince(t), usage.ru_maxrss, WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    return 0;
}

TChildRun RunCli(const QStringList &arguments)
{
    QProcess measure;
    measure.start(QCoreApplication::applicationFilePath(), QStringList{QStringLiteral("--measure")} + arguments);
    measure.waitForFinished(300000);
    const QList<QByteArray> figures = measure.readAllStandardOutput().trimmed().split(' ');
    if (figures.size() != 3)
        return {};
    return {figures.at(0).toDouble(), figures.at(1).toDouble() / 1024.0, figures.at(2).toInt()};
}

// A settings file of a full configuration, about the size an upload records.
QByteArray ConfigText()
{
    QByteArray text = "[General]\r\nBrightnessMin=10\r\nBrightnessMax=100\r\nFlashPattern=4\r\nFlashSpeed=2\r\n"
                      "LinkChannel=0\r\nBeaconRole=0\r\nDateDST1=09/03/2025\r\nDateDST2=02/11/2025\r\n"
                      "TimeDST=02:00:00\r\ncbOffsetDST=1\r\nScheduleCount=16\r\nCalendarCount=16\r\n";
    for (int i = 0; i < 16; ++i)
        text += QStringLiteral("\r\n[Schedule%1]\r\nid=%1\r\nScheduleId=0\r\nRecDay=31\r\nRecOnTime=420\r\n"
                               "RecOffTime=510\r\n\r\n[Calendar%1]\r\nid=%1\r\nCalendarId=0\r\nName=HOLIDAY %1\r\n"
                               "DayNum=5472\r\nDays=1\r\nDayMode=6\r\n")
                    .arg(i)
                    .toLatin1();
    return text;
}

// Days of school, newest first, as a download lists them.
QList<type_events_record> Download(int first, int count)
{
    QList<type_events_record> events;
    for (int k = count - 1; k >= 0; --k) {
        type_events_record e;
        e.day_num = qint16((first + k) / 4);
        e.minutes_num = qint16(420 + ((first + k) % 4) * 120);
        e.event_type = qint8(2 + (first + k) % 2);
        e.parms[0] = qint16(500 + (first + k) % 40);
        e.parms[1] = 505;
        e.parms[2] = 1024;
        events.append(e);
    }
    return events;
}
}

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--measure") == 0)
        return MeasureCli(argc, argv);
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    // Where pvbcs-cli finds the database: the default in its data folder.
    qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toLocal8Bit());
    const QString file = dir.filePath(QStringLiteral("data/Orvella Works/PavolineBCS/pvbcs.db"));
    CreateLibraryDatabase(file);
    TDM dm;
    dm.OpenDatabase(file);
    History().SetReporter([](const QString &text) { std::printf("register failed: %s\n", qPrintable(text)); });

    const TActionTarget target{QStringLiteral("ttyUSB0"), QStringLiteral("20240001"), QStringLiteral("0003"),
                               QStringLiteral("0105")};
    const QByteArray config = ConfigText();
    std::vector<double> writes;
    for (int i = 0; i < kWrites; ++i) {
        QElapsedTimer t;
        t.start();
        TRecordedAction record(target, THistoryRegister::Upload, TransferOptions(true, true, true, true, true));
        record.KeepConfig([&config] { return config; });
        record.Write();
        writes.push_back(msSince(t));
    }
    std::printf("register write, one upload with its %lld-byte configuration: median %.3f ms, worst %.3f ms "
                "(%d writes)\n",
                static_cast<long long>(config.size()), median(writes), *std::max_element(writes.begin(), writes.end()),
                kWrites);

    // Two controllers of 100,000 events each, merged a download (93 events) at a time.
    TEventArchive archive(dm);
    QElapsedTimer fill;
    fill.start();
    for (const char *serial : {"20240001", "20240002"})
        for (int first = 0; first < kArchived; first += 93)
            archive.Merge(QLatin1String(serial), Download(first, qMin(93, kArchived - first)), 1);
    std::printf("archive filled with 2 x %d events in %.0f ms (%.2f ms per download merged)\n", kArchived,
                msSince(fill), msSince(fill) / (2.0 * kArchived / 93));
    QElapsedTimer again;
    again.start();
    const int added = archive.Merge(QStringLiteral("20240001"), Download(kArchived - 93, 93), 2);
    std::printf("merging a download already archived: %.2f ms, %d added\n", msSince(again), added);

    std::vector<double> queries, rows;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer t;
        t.start();
        const QList<type_events_record> events = archive.Events(QStringLiteral("20240001"));
        queries.push_back(msSince(t));
        t.restart();
        const QList<TListItem> list = EventRows(events);
        rows.push_back(msSince(t));
        if (events.size() != kArchived || list.size() != kArchived)
            std::printf("unexpected count %lld\n", static_cast<long long>(events.size()));
    }
    std::printf("archive query, one controller of %d events: median %.1f ms; their list texts: median %.1f ms\n",
                kArchived, median(queries), median(rows));

    dm.InTransaction([&] {
        for (int i = 0; i < kActions - kWrites; ++i)
            History().Record([] {
                TActionRecord a;
                a.Action = QStringLiteral("events");
                a.Outcome = QStringLiteral("done");
                return a;
            }(), target);
    });
    std::vector<double> listings;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer t;
        t.start();
        const QList<TActionRecord> actions = THistoryRegister(dm).Actions();
        listings.push_back(msSince(t));
        if (actions.size() != kActions)
            std::printf("unexpected count %lld\n", static_cast<long long>(actions.size()));
    }
    std::printf("history listing of %d actions, in process: median %.1f ms\n", kActions, median(listings));

    for (const char *format : {"(lines)", "--json"}) {
        std::vector<double> cli;
        for (int run = 0; run < kRuns; ++run) {
            QProcess process;
            process.setStandardOutputFile(QProcess::nullDevice());
            QElapsedTimer t;
            t.start();
            QStringList arguments{QStringLiteral("history")};
            if (format[0] == '-')
                arguments << QLatin1String(format);
            process.start(QStringLiteral(PVBCS_CLI), arguments);
            process.waitForFinished(60000);
            cli.push_back(msSince(t));
            if (process.exitCode() != 0)
                std::printf("pvbcs-cli history failed\n");
        }
        std::printf("pvbcs-cli history %s of %d actions, whole process: median %.0f ms\n", format, kActions,
                    median(cli));
    }

    // Scale: 100,000 actions, 1,000,000 events of one controller.
    dm.InTransaction([&] {
        for (int i = kActions; i < kScaleActions; ++i)
            History().Record([] {
                TActionRecord a;
                a.Action = QStringLiteral("identify");
                a.Outcome = QStringLiteral("done");
                return a;
            }(), target);
    });
    QList<type_events_record> many;
    many.reserve(kScaleEvents);
    for (int k = kScaleEvents - 1; k >= 0; --k) {
        type_events_record e;
        e.day_num = qint16(k / 1440);
        e.minutes_num = qint16(k % 1440);
        e.event_type = qint8(2 + k % 2);
        e.parms[0] = 500;
        e.parms[1] = 505;
        e.parms[2] = 1024;
        many.append(e);
    }
    archive.Merge(QStringLiteral("20249999"), many, 3);
    many.clear();
    many.squeeze();

    {
        const double before = ResidentMb();
        QElapsedTimer t;
        t.start();
        THistoryModel model(dm);
        model.SetSerial(QString());
        model.fetchMore({}); // what a list view asks for when it is shown
        const double ms = msSince(t);
        const double mb = ResidentMb() - before;
        std::printf("history list opened on %d actions: %.0f ms (target < %.0f ms, %s), +%.1f MB (target < %.0f MB, "
                    "%s), %d rows fetched\n",
                    kScaleActions, ms, kOpenTargetMs, Verdict(ms < kOpenTargetMs), mb, kOpenTargetMb,
                    Verdict(mb < kOpenTargetMb), model.rowCount());
    }
    {
        // The window's Event Archive list, as a list view first asks for it.
        const double before = ResidentMb();
        QElapsedTimer t;
        t.start();
        TEventArchiveModel model(dm);
        model.SetSerial(QStringLiteral("20249999"));
        model.fetchMore({});
        for (int column = 0; column < model.columnCount(); ++column)
            model.data(model.index(0, column));
        const double ms = msSince(t);
        const double mb = ResidentMb() - before;
        std::printf("event archive list opened on %d events: %.0f ms (target < %.0f ms, %s), +%.1f MB (target < "
                    "%.0f MB, %s), %d rows fetched\n",
                    kScaleEvents, ms, kOpenTargetMs, Verdict(ms < kOpenTargetMs), mb, kOpenTargetMb,
                    Verdict(mb < kOpenTargetMb), model.rowCount());
    }
    const struct {
        QStringList arguments;
        const char *what;
        double targetMs; // 0: none
    } runs[] = {
        {{QStringLiteral("history")}, "history", 0},
        {{QStringLiteral("history"), QStringLiteral("--json")}, "history --json", kJsonTargetMs},
        {{QStringLiteral("events"), QStringLiteral("--archive"), QStringLiteral("--serial"), QStringLiteral("20249999"),
          QStringLiteral("--out"), QStringLiteral("-")},
         "events --archive", 0},
    };
    for (const auto &run : runs) {
        const TChildRun r = RunCli(run.arguments);
        std::printf("pvbcs-cli %s (%d actions, %d events): %.0f ms", run.what, kScaleActions, kScaleEvents, r.ms);
        if (run.targetMs > 0)
            std::printf(" (target < %.0f ms, %s)", run.targetMs, Verdict(r.ms < run.targetMs));
        std::printf(", peak %.1f MB (target < %.0f MB, %s)%s\n", r.peakMb, kCliTargetMb,
                    Verdict(r.peakMb < kCliTargetMb), r.code == 0 ? "" : " FAILED");
    }
    return 0;
}
