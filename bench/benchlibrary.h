#pragma once
// A large library for the benchmarks: schedules and calendars with their
// records, written through the open library database (DM()) in one
// transaction.
#include "store/datamodule.h"

#include <QString>

inline void FillLibrary(int entries, int records)
{
    DM().InTransaction([&] {
        for (int i = 0; i < entries; ++i) {
            const int schedule = DM().Exec(QStringLiteral("INSERT INTO schedules (name) VALUES (?)"),
                                           {QStringLiteral("Schedule %1").arg(i)});
            const int calendar = DM().Exec(QStringLiteral("INSERT INTO calendars (name) VALUES (?)"),
                                           {QStringLiteral("Calendar %1").arg(i)});
            for (int r = 0; r < records; ++r) {
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
