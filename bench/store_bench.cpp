// Library store figures: loading a large library, one SaveRecord in database
// mode, and reading settings files. Prints milliseconds; run it on an idle
// machine.
#include "benchlibrary.h"
#include "store/calendar.h"
#include "store/datamodule.h"
#include "store/inifile.h"
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

// A full configuration as Save to File writes it, with companions.
QByteArray fullSettingsFile()
{
    TIniFile ini(QLocale(QStringLiteral("en_US")));
    ini.WriteDate(QStringLiteral("General"), QStringLiteral("DateDST1"), QDate(2026, 3, 8));
    ini.WriteDate(QStringLiteral("General"), QStringLiteral("DateDST2"), QDate(2026, 11, 1));
    ini.WriteTime(QStringLiteral("General"), QStringLiteral("TimeDST"), QTime(2, 0));
    TSchedule schedule(QStringLiteral("DEVICE"), 0, false);
    TCalendar calendar(QStringLiteral("DEVICE"), 0, false);
    for (int r = 0; r < kRecords; ++r) {
        schedule.SaveRecord({r, 0, 0x1F, 420 + r, 510 + r}, true);
        calendar.SaveRecord({r, 0, QStringLiteral("Holiday %1").arg(r), 5000 + r, 1, quint8(r % 10)}, true);
    }
    schedule.SaveToIniFile(ini);
    calendar.SaveToIniFile(ini);
    return ini.ToBytes();
}

// Reads what Load from File reads; false when the file is refused.
bool readSettings(const QByteArray &bytes, const QLocale &locale)
{
    TIniFile ini(locale);
    ini.LoadFromBytes(bytes);
    try {
        ini.ReadDate(QStringLiteral("General"), QStringLiteral("DateDST1"), {});
        ini.ReadDate(QStringLiteral("General"), QStringLiteral("DateDST2"), {});
        ini.ReadTime(QStringLiteral("General"), QStringLiteral("TimeDST"), {});
        return TSchedule::ReadIniFile(ini).size() == kRecords && TCalendar::ReadIniFile(ini).size() == kRecords;
    } catch (const std::exception &) {
        return false;
    }
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
    FillLibrary(kEntries, kRecords);

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

    // A settings file read under another locale than it was written in, and
    // a hostile one as large as a settings file may be.
    const QByteArray full = fullSettingsFile();
    QByteArray hostile("[General]\r\nScheduleCount=2147483647\r\n");
    for (int i = 0; hostile.size() < TIniFile::MaxFileBytes - 16; ++i)
        hostile += "K" + QByteArray::number(i) + "=1\r\n";
    std::vector<double> reads, hostileReads;
    for (int run = 0; run < 50; ++run) {
        QElapsedTimer t;
        t.start();
        if (!readSettings(full, QLocale(QStringLiteral("de_DE"))))
            return 1;
        reads.push_back(msSince(t));
    }
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer t;
        t.start();
        if (readSettings(hostile, QLocale(QStringLiteral("de_DE"))))
            return 1;
        hostileReads.push_back(msSince(t));
    }
    std::printf("settings file, 16 + 16 records with DST keys, read under another locale: median %.3f ms; "
                "refusing a %lld-byte file of %d keys: median %.1f ms\n",
                median(reads), qlonglong(hostile.size()), int(hostile.count('\n')) - 1, median(hostileReads));
    return 0;
}
