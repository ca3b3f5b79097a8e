// The reports' content from the program's own data: the advanced settings,
// the beacon's schedule and calendar, and the event list's rows.
#include "report/beaconreports.h"
#include "report/reportdata.h"
#include "store/device.h"
#include "testenv.h"

#include <QtTest>

namespace {

const QLocale British(QLocale::English, QLocale::UnitedKingdom); // day first, 24-hour clock
const QLocale American(QLocale::English, QLocale::UnitedStates); // month first, AM/PM

TScheduleRec ScheduleRec(quint8 days, int on, int off)
{
    TScheduleRec rec;
    rec.RecDay = days;
    rec.RecOnTime = on;
    rec.RecOffTime = off;
    return rec;
}

TCalendarRec CalendarRec(const QString &name, const QDate &from, int days, quint8 mode)
{
    TCalendarRec rec;
    rec.name = name;
    rec.DayNum = int(QDate(2010, 1, 1).daysTo(from));
    rec.Days = days;
    rec.DayMode = mode;
    return rec;
}

// The cross-tab as its rows of cell texts, after the callback filled it.
QList<QStringList> Cells(const TReportCrossTab &cross)
{
    QList<QStringList> rows;
    for (int r = 0; r < cross.RowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < cross.Columns().size(); ++c)
            row.append(cross.Cell(r, c));
        rows.append(row);
    }
    return rows;
}

TReportCrossTab &CrossTab(TReportTemplate &report, const QString &name)
{
    return dynamic_cast<TReportCrossTab &>(*report.FindObject(name));
}

// The settings every test starts from, with one of each kind of value changed.
TAdvancedSettings SampleSettings()
{
    TAdvancedSettings settings;
    settings.FlashPattern = 5;
    settings.FlashSpeed = 3;
    settings.BeaconRole = 1;
    settings.LinkChannel = 3;
    settings.SetBrightness(40, 60);
    settings.DateDST1 = QDate(2025, 3, 9);
    settings.DateDST2 = QDate(2025, 11, 2);
    settings.TimeDST = QTime(2, 0);
    return settings;
}

} // namespace

class TestReportData : public QObject {
    Q_OBJECT

    TReportSources fSources;
    QList<TListItem> fEvents;

private Q_SLOTS:
    void init()
    {
        InitTestEnvironment();
        DeviceSchedule().Clear();
        DeviceCalendar().Clear();
        fEvents.clear();
        fSources.Settings = [] { return SampleSettings(); };
        fSources.Events = [this] { return fEvents; };
        fSources.Locale = British;
    }

    void variablesShowTheListTextsAndDstSwitchTimes()
    {
        const TAdvancedSettings settings = SampleSettings();
        QCOMPARE(ReportValue(QStringLiteral("flash_pattern"), settings, British).toString(),
                 QStringLiteral("Alternating Two Flashes"));
        QCOMPARE(ReportValue(QStringLiteral("flash_speed"), settings, British).toString(), QStringLiteral("Fast"));
        QCOMPARE(ReportValue(QStringLiteral("rf_mode"), settings, British).toString(), QStringLiteral("Master Beacon"));
        QCOMPARE(ReportValue(QStringLiteral("rf_channel"), settings, British).toString(), QStringLiteral("Channel #3"));
        QCOMPARE(ReportValue(QStringLiteral("bright_min"), settings, British), QVariant(40));
        QCOMPARE(ReportValue(QStringLiteral("bright_max"), settings, British), QVariant(60));
        // Short date, one blank, long time; both switches at the one shift time.
        QCOMPARE(ReportValue(QStringLiteral("dst_to"), settings, British).toString(),
                 QStringLiteral("09/03/2025 02:00:00"));
        QCOMPARE(ReportValue(QStringLiteral("dst_from"), settings, British).toString(),
                 QStringLiteral("02/11/2025 02:00:00"));
        QCOMPARE(ReportValue(QStringLiteral("dst_to"), settings, American).toString(),
                 QStringLiteral("3/9/2025 2:00:00 AM"));

        // A name the reports do not use, and a list with nothing selected
        // (a settings file's value beyond the items), give empty text.
        QCOMPARE(ReportValue(QStringLiteral("bright"), settings, British).toString(), QString());
        TAdvancedSettings unselected = settings;
        unselected.FlashPattern = -1;
        unselected.LinkChannel = 10;
        QCOMPARE(ReportValue(QStringLiteral("flash_pattern"), unselected, British).toString(), QString());
        QCOMPARE(ReportValue(QStringLiteral("rf_channel"), unselected, British).toString(), QString());
    }

    void scheduleCellsShowDaysTimesAndSignedDurations()
    {
        for (const TScheduleRec &rec : {ScheduleRec(0x15, 390, 1230), ScheduleRec(0x7F, 1230, 390),
                                        ScheduleRec(130, 600, 510), ScheduleRec(129, 0, 1439),
                                        ScheduleRec(132, 720, 721), ScheduleRec(0x83, 60, 120),
                                        ScheduleRec(0, 60, 60)})
            DeviceSchedule().SaveRecord(rec, true);
        TReportTemplate report = CreateConfigurationReport();
        TReportCrossTab &cross = CrossTab(report, ReportNames::CrossSchedule);
        FillReportObject(cross, fSources);
        QCOMPARE(cross.Columns(), ReportNames::ScheduleColumns);
        QCOMPARE(Cells(cross), (QList<QStringList>{
                                   {"Mo,We,Fr", "06:30", "20:30", "14 hr 0 min"},
                                   {"Mo,Tu,We,Th,Fr,Sa,Su", "20:30", "06:30", "-14 hr 0 min"},
                                   {"Special Day Mode #2", "10:00", "08:30", "-1 hr -30 min"},
                                   {"Special Day Mode #1", "00:00", "23:59", "23 hr 59 min"},
                                   {"Special Day Mode #3", "12:00", "12:01", "0 hr 1 min"},
                                   {"", "01:00", "02:00", "1 hr 0 min"},
                                   {"", "01:00", "01:00", "0 hr 0 min"},
                               }));

        // A 12-hour clock writes the AM/PM text straight after the minutes.
        cross.Clear();
        fSources.Locale = American;
        FillReportObject(cross, fSources);
        QCOMPARE(Cells(cross).at(0).mid(1, 2), (QStringList{"06:30AM", "08:30PM"}));
        QCOMPARE(Cells(cross).at(3).mid(1, 2), (QStringList{"12:00AM", "11:59PM"}));
    }

    void calendarCellsShowTheRangeCovered()
    {
        DeviceCalendar().SaveRecord(CalendarRec("First day", QDate(2010, 1, 1), 1, 0), true);
        DeviceCalendar().SaveRecord(CalendarRec("Christmas", QDate(2024, 12, 24), 3, 9), true);
        DeviceCalendar().SaveRecord(CalendarRec("Leap", QDate(2024, 2, 28), 2, 6), true);
        DeviceCalendar().SaveRecord(CalendarRec("Unknown mode", QDate(2025, 12, 31), 32, 10), true);
        TReportTemplate report = CreateConfigurationReport();
        TReportCrossTab &cross = CrossTab(report, ReportNames::CrossCalendar);
        cross.Visible = false;
        FillReportObject(cross, fSources);
        QVERIFY(cross.Visible);
        QCOMPARE(cross.Columns(), ReportNames::CalendarColumns);
        QCOMPARE(Cells(cross), (QList<QStringList>{
                                   {"First day", "01/01/2010", "01/01/2010", "1 day(s)", "Monday"},
                                   {"Christmas", "24/12/2024", "26/12/2024", "3 day(s)", "Special Day Mode #3"},
                                   {"Leap", "28/02/2024", "29/02/2024", "2 day(s)", "Sunday"},
                                   {"Unknown mode", "31/12/2025", "31/01/2026", "32 day(s)", ""},
                               }));
        cross.Clear();
        fSources.Locale = American;
        FillReportObject(cross, fSources);
        QCOMPARE(Cells(cross).at(1).mid(1, 2), (QStringList{"12/24/2024", "12/26/2024"}));
    }

    void calendarTableIsHiddenOnlyWhileTheCalendarIsEmpty()
    {
        DeviceSchedule().SaveRecord(ScheduleRec(0x1F, 420, 480), true);
        TReportTemplate report = CreateConfigurationReport();
        ConnectReport(report, fSources);
        QStringList texts = report.Prepare().Pages.at(0).Texts();
        QVERIFY(texts.contains(QStringLiteral("Schedule")));
        QVERIFY(texts.contains(QStringLiteral("Mo,Tu,We,Th,Fr")));
        QVERIFY(!texts.contains(QStringLiteral("Holidays & Exceptions")));
        QVERIFY(!texts.contains(QStringLiteral("Substitute")));

        // Every build reads the calendar afresh: a record added shows the table.
        DeviceCalendar().SaveRecord(CalendarRec("XMAS", QDate(2024, 12, 25), 1, 7), true);
        texts = report.Prepare().Pages.at(0).Texts();
        QVERIFY(texts.contains(QStringLiteral("Holidays & Exceptions")));
        QVERIFY(texts.contains(QStringLiteral("XMAS")));
        DeviceCalendar().Clear();
        DeviceSchedule().Clear();
        texts = report.Prepare().Pages.at(0).Texts();
        QVERIFY(!texts.contains(QStringLiteral("Holidays & Exceptions")));
        // An empty schedule still prints its table, with the header only.
        QVERIFY(texts.contains(QStringLiteral("Schedule")));
        QVERIFY(!texts.contains(QStringLiteral("Mo,Tu,We,Th,Fr")));
    }

    void logCellsLeaveOutTheSecondVoltage()
    {
        fEvents = {{"27/09/12 15:30", {"Master command; Beacons OFF", "12.40 V", "11.11 V", "50 %"}},
                   {"01/01/10 00:00", {"", "0.00 V", "0.00 V", "0"}},
                   {"short row", {"System turned ON after reset"}}};
        TReportTemplate report = CreateEventLogReport();
        TReportCrossTab &cross = CrossTab(report, ReportNames::CrossLog);
        cross.Visible = false;
        FillReportObject(cross, fSources);
        QVERIFY(cross.Visible);
        QCOMPARE(cross.Columns(), ReportNames::LogColumns);
        QCOMPARE(Cells(cross), (QList<QStringList>{{"27/09/12 15:30", "Master command; Beacons OFF", "12.40 V", "50 %"},
                                                   {"01/01/10 00:00", "", "0.00 V", "0"},
                                                   {"short row", "System turned ON after reset", "", ""}}));

        // An empty list gives an empty table: the title band and nothing more.
        fEvents.clear();
        ConnectReport(report, fSources);
        const TPreparedReport prepared = report.Prepare();
        QCOMPARE(prepared.Pages.size(), 1);
        const QStringList texts = prepared.Pages.at(0).Texts();
        QVERIFY(texts.contains(QStringLiteral("Radio Link:")));
        QVERIFY(!texts.contains(QStringLiteral("Master command; Beacons OFF")));
    }

    void titleValuesAreEmptyWithoutSettings()
    {
        fSources.Settings = nullptr;
        TReportTemplate report = CreateConfigurationReport();
        ConnectReport(report, fSources);
        const QStringList texts = report.Prepare().Pages.at(0).Texts();
        QVERIFY(texts.contains(QStringLiteral("Flashing Pattern:")));
        QVERIFY(texts.contains(QStringLiteral("%"))); // "[bright_min]%"
        QVERIFY(!texts.contains(QStringLiteral("Alternating Two Flashes")));
    }
};

QTEST_MAIN(TestReportData)
#include "tst_reportdata.moc"
