// Report figures: building and exporting to PDF the event-log report of 93
// events and the configuration report of 16 schedule and 16 calendar records.
// Prints milliseconds (the median of several runs, the first run apart, since
// it loads the fonts); run it on an idle machine.
#include "report/beaconreports.h"
#include "report/reportdata.h"
#include "store/device.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
constexpr int kRuns = 9;

QList<TListItem> EventRows()
{
    QList<TListItem> rows;
    for (int i = 0; i < 93; ++i)
        rows.append({QStringLiteral("%1/12/24 %2:30").arg(1 + i / 4, 2, 10, QLatin1Char('0')).arg(7 + i % 4 * 3),
                     {i % 2 ? QStringLiteral("Beacons switched OFF [Scheduled]")
                            : QStringLiteral("Beacons switched ON [Scheduled]"),
                      QStringLiteral("12.40 V"), QStringLiteral("12.00 V"), QStringLiteral("80 %")}});
    return rows;
}

void FillDevice()
{
    for (int i = 0; i < 16; ++i) {
        DeviceSchedule().SaveRecord({0, 0, quint8(0x1F >> (i % 5)), 420 + i, 510 + 7 * i}, true);
        DeviceCalendar().SaveRecord({0, 0, QStringLiteral("Holiday %1").arg(i), 5400 + 9 * i, 1 + i % 4, quint8(i % 10)},
                                    true);
    }
}

// Milliseconds of the first run and the median of the others.
std::pair<double, double> Time(TReportTemplate &report, const QString &fileName)
{
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        report.Prepare().ExportToPdf(fileName);
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    const double first = times.front();
    times.erase(times.begin());
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return {first, times[times.size() / 2]};
}
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    FillDevice();
    const QList<TListItem> events = EventRows();
    TReportSources sources;
    sources.Settings = [] { return TAdvancedSettings(); };
    sources.Events = [&events] { return events; };

    TReportTemplate log = CreateEventLogReport();
    ConnectReport(log, sources);
    const auto [logFirst, logMedian] = Time(log, dir.filePath(QStringLiteral("events.pdf")));
    std::printf("event-log report, 93 events, build + PDF: first %.1f ms, median %.1f ms\n", logFirst, logMedian);

    TReportTemplate config = CreateConfigurationReport();
    ConnectReport(config, sources);
    const auto [configFirst, configMedian] = Time(config, dir.filePath(QStringLiteral("config.pdf")));
    std::printf("configuration report, 16 + 16 records, build + PDF: first %.1f ms, median %.1f ms\n", configFirst,
                configMedian);
    return 0;
}
