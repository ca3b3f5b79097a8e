// History figures: what recording one action costs, reading one controller's
// archive of 100,000 events, and listing 10,000 recorded actions (in process
// and with pvbcs-cli history). Prints milliseconds; run it on an idle machine.
#include "history/eventarchive.h"
#include "history/recorder.h"
#include "history/register.h"
#include "store/datamodule.h"
#include "store/librarydb.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
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
    return 0;
}
