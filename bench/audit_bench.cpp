// Proof-of-operation figures: the audit of one year (2025) for a controller
// with 1,000,000 archived events over ten years, downloaded every two weeks,
// against its target of one second; then the same year's JSON document and
// report. Run it on an idle machine.
#include "audit/operationreport.h"
#include "history/register.h"
#include "store/datamodule.h"
#include "store/device.h"
#include "store/librarydb.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
constexpr int kEvents = 1000000;
constexpr int kRuns = 5;
const QString kSerial = QStringLiteral("BENCH-1");
const QDate kFirst(2016, 1, 1), kLast(2025, 12, 31);

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.at(v.size() / 2);
}

void Fill(TDM &dm)
{
    THistoryRegister reg(dm);
    TScheduleRec morning{0, 0, 0x1F, 7 * 60, 8 * 60 + 30}, afternoon{0, 0, 0x1F, 14 * 60 + 30, 15 * 60 + 30};
    DeviceSchedule().SetRecords({morning, afternoon});
    TActionRecord upload;
    upload.When = QDateTime(kFirst.addDays(-2), QTime(10, 0), Qt::UTC);
    upload.Serial = kSerial;
    upload.Action = QString::fromLatin1(THistoryRegister::Upload);
    upload.Outcome = QStringLiteral("done");
    upload.Config = SettingsFileText({}, TAdvancedSettings(), QLocale::c());
    reg.Add(upload);
    const qint64 days = kFirst.daysTo(kLast) + 1;
    const int perDay = int((kEvents + days - 1) / days);
    const qint64 firstDay = QDate(2010, 1, 1).daysTo(kFirst);
    int written = 0;
    dm.InTransaction([&] {
        for (qint64 d = 0; d < days && written < kEvents; d += 14) {
            TActionRecord download;
            download.When = QDateTime(kFirst.addDays(d + 14), QTime(23, 0), Qt::UTC);
            download.Serial = kSerial;
            download.Action = QString::fromLatin1(THistoryRegister::Events);
            download.Outcome = QStringLiteral("done");
            const qint64 action = reg.Add(download);
            for (qint64 day = d; day < std::min(d + 14, days) && written < kEvents; ++day) {
                const int weekday = kFirst.addDays(day).dayOfWeek();
                for (int i = 0; i < perDay && written < kEvents; ++i, ++written) {
                    // School days switch as planned; the rest of the log is manual switches.
                    static const int planned[] = {7 * 60, 8 * 60 + 30, 14 * 60 + 30, 15 * 60 + 30};
                    const bool scheduled = weekday <= 5 && i < 4;
                    const int minute = scheduled ? planned[i] : 16 * 60 + (i * 7) % 420;
                    const int type = scheduled ? 2 + i % 2 : 4 + i % 2;
                    dm.Exec(QStringLiteral("INSERT OR IGNORE INTO history_events (serial, day_num, minutes_num, event_type, "
                                           "voltage1, voltage2, brightness, action_id) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                            {kSerial, firstDay + day, minute, type, 480 + (day * 7 + i) % 60, 505, 1024, action});
                }
            }
        }
    });
    std::printf("library: %d events, one upload, %lld downloads\n", written, (long long)(days / 14 + 1));
}
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("bench.db"));
    CreateLibraryDatabase(name);
    TDM dm;
    dm.OpenDatabase(name);
    QElapsedTimer timer;
    timer.start();
    Fill(dm);
    std::printf("filled in %.1f s\n", timer.elapsed() / 1000.0);

    const QDate from(2025, 1, 1), to(2025, 12, 31);
    std::vector<double> audit, json, report;
    TOperationAudit result;
    for (int run = 0; run < kRuns; ++run) {
        timer.start();
        result = AuditController(dm, kSerial, from, to);
        audit.push_back(timer.nsecsElapsed() / 1e6);
        timer.start();
        const QByteArray text = QJsonDocument(OperationAuditJson(result)).toJson(QJsonDocument::Compact);
        json.push_back(timer.nsecsElapsed() / 1e6);
        timer.start();
        TReportTemplate t = CreateOperationReport(result);
        const TPreparedReport pages = t.Prepare();
        report.push_back(timer.nsecsElapsed() / 1e6);
        if (run == 0)
            std::printf("year 2025: %d days, %d as planned, %lld deviations, JSON %lld bytes, report %lld pages\n",
                        int(result.Audit.Days.size()), result.Audit.DaysAsPlanned(),
                        (long long)result.Audit.Deviations().size(), (long long)text.size(), (long long)pages.Pages.size());
    }
    std::printf("audit of one year (read, plan, compare, chart series): median %.0f ms (target < 1000 ms)\n", Median(audit));
    std::printf("its JSON document: median %.0f ms\n", Median(json));
    std::printf("its Operation Report built: median %.0f ms\n", Median(report));
    return 0;
}
