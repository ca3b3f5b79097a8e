// Library store figures: loading a large library, and one SaveRecord in
// database mode. Prints milliseconds; run it on an idle machine.
#include "store/calendar.h"
#include "store/datamodule.h"
#include "store/librarydb.h"
#include "store/schedule.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
constexpr int kEntries = 1000;
constexpr int kRecords = 16;

void fillLibrary()
{
    DM().InTransaction([] {
        for (int i = 0; i < kEntries; ++i) {
            const int schedule = DM().Exec(QStringLiteral("INSERT INTO schedules (name) VALUES (?)"),
                                           {QStringLiteral("Schedule %1").arg(i)});
            const int calendar = DM().Exec(QStringLiteral("INSERT INTO calendars (name) VALUES (?)"),
                                           {QStringLiteral("Calendar %1").arg(i)});
            for (int r = 0; r < kRecords; ++r) {
                DM().Exec(QStringLiteral("INSERT INTO schedule_rec (schedule_id, s_day, s_time_on, s_time_off) "
                                         "VALUES (?, ?, ?, ?)"),
                          {schedule, 0x1F, 420 + r, 510 + r});
                DM().Exec(QStringLiteral("INSERT INTO calendar_rec (calendar_id, name, c_date, day_type, c_len) "
                                         "VALUES (?, ?, ?, ?, ?)"),
                          {calendar, QStringLiteral("Holiday %1").arg(r), 5000 + r, r % 10, 1});
            }
        }
    });
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.at(v.size() / 2);
}

double msSince(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bench.db"));
    CreateLibraryDatabase(file);
    TDM dm;
    if (!dm.OpenDatabase(file)) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(file));
        return 1;
    }
    fillLibrary();

    std::vector<double> loads;
    for (int run = 0; run < 7; ++run) {
        QElapsedTimer t;
        t.start();
        TScheduleList schedules;
        TCalendarList calendars;
        loads.push_back(msSince(t));
        if (schedules.Count() != kEntries || calendars.Calendars(kEntries - 1)->Count() != kRecords)
            return 1;
    }
    std::printf("library load, %d schedules + %d calendars x %d records: median %.1f ms, best %.1f ms "
                "(target < 300 ms)\n",
                kEntries, kEntries, kRecords, median(loads), *std::min_element(loads.begin(), loads.end()));

    TSchedule schedule(QStringLiteral("Bench"), 0, true);
    TScheduleRec rec;
    rec.RecDay = 0x1F;
    std::vector<double> inserts, updates;
    for (int i = 0; i < 200; ++i) {
        rec.RecOnTime = i;
        QElapsedTimer t;
        t.start();
        if (i < kRecords) {
            schedule.SaveRecord(rec, true);
            inserts.push_back(msSince(t));
        } else {
            TScheduleRec stored = schedule.Records(i % kRecords);
            stored.RecOffTime = i;
            t.restart();
            schedule.SaveRecord(stored, false);
            updates.push_back(msSince(t));
        }
    }
    std::printf("SaveRecord in database mode (16-record schedule, %d-row table): median new %.3f ms, "
                "median update %.3f ms (target < 2 ms)\n",
                kEntries * kRecords, median(inserts), median(updates));
    return 0;
}
