#include "pdftext.h"
#include "report/beaconreports.h"
#include "testenv.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

const QMap<QString, QVariant> Settings = {
    {QStringLiteral("flash_pattern"), QStringLiteral("Alternating")},
    {QStringLiteral("flash_speed"), QStringLiteral("Fast")},
    {QStringLiteral("rf_mode"), QStringLiteral("Master")},
    {QStringLiteral("rf_channel"), QStringLiteral("Channel 15")},
    {QStringLiteral("bright_min"), 20},
    {QStringLiteral("bright_max"), 100},
    {QStringLiteral("dst_to"), QStringLiteral("10/03/2024 02:00:00")},
    {QStringLiteral("dst_from"), QStringLiteral("03/11/2024 02:00:00")},
};

// Plain rows standing in for the beacon's schedule, calendar and event list.
struct TTestData {
    QList<QStringList> schedule, calendar, log;
};

TTestData SampleData(int scheduleRows, int calendarRows, int logRows)
{
    TTestData data;
    for (int i = 0; i < scheduleRows; ++i)
        data.schedule.append({i % 2 ? QStringLiteral("Mo,Tu,We,Th,Fr,Sa,Su") : QStringLiteral("Special Day Mode #2"),
                              QStringLiteral("06:%1").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("20:30"),
                              QStringLiteral("-14 hr %1 min").arg(-i)});
    for (int i = 0; i < calendarRows; ++i)
        data.calendar.append({QStringLiteral("Holiday %1").arg(i), QStringLiteral("24/12/2024"),
                              QStringLiteral("26/12/2024"), QStringLiteral("3 day(s)"), QStringLiteral("Monday")});
    const QString events[] = {QStringLiteral("Beacons switched ON [Scheduled]"),
                              QStringLiteral("Schedule overridden; Beacons turned OFF")};
    for (int i = 0; i < logRows; ++i)
        data.log.append({QStringLiteral("27/09/12 15:%1").arg(i % 60, 2, 10, QLatin1Char('0')), events[i % 2],
                         QStringLiteral("12.%1 V").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("11.00 V"),
                         QStringLiteral("%1 %").arg(i)});
    return data;
}

// Adds each row's texts at `fields` under the columns in order.
void Fill(TReportCrossTab &cross, const QStringList &columns, const QList<QStringList> &rows,
          const QList<int> &fields = {0, 1, 2, 3, 4})
{
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < columns.size(); ++c)
            cross.AddValue(r, columns.at(c), rows.at(r).at(fields.at(c)));
}

// Callbacks as the report window sets them, answering from the test data.
void Connect(TReportTemplate &report, const TTestData &data)
{
    report.OnGetValue = [](const QString &name) { return Settings.value(name); };
    report.OnBeforePrint = [&data](TReportObject &sender) {
        auto *cross = dynamic_cast<TReportCrossTab *>(&sender);
        if (!cross)
            return;
        if (cross->Name == ReportNames::CrossSchedule) {
            Fill(*cross, ReportNames::ScheduleColumns, data.schedule);
        } else if (cross->Name == ReportNames::CrossCalendar) {
            cross->Visible = !data.calendar.isEmpty();
            Fill(*cross, ReportNames::CalendarColumns, data.calendar);
        } else if (cross->Name == ReportNames::CrossLog) {
            cross->Visible = true;
            Fill(*cross, ReportNames::LogColumns, data.log, {0, 1, 2, 4}); // the second voltage stays out
        }
    };
}

QStringList PdfPages(const TPreparedReport &prepared)
{
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("report.pdf"));
    prepared.ExportToPdf(fileName);
    return PdfPageTexts(fileName);
}

} // namespace

class TestBeaconReports : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { InitTestEnvironment(); }

    void titleBandIsTheSameInBothReports()
    {
        const TTestData data = SampleData(0, 0, 0);
        const QList<QPair<QString, QString>> reports = {
            {QStringLiteral("frxReport"), QStringLiteral("Beacons' Schedule and Calendar")},
            {QStringLiteral("frxReportLog"), QStringLiteral("Event Log")}};
        for (const auto &[name, title] : reports) {
            TReportTemplate report =
                name == QLatin1String("frxReport") ? CreateConfigurationReport() : CreateEventLogReport();
            QCOMPARE(report.Name, name);
            QCOMPARE(report.PageSize.id(), QPageSize::Letter);
            QCOMPARE(report.MarginMm, 10.0);
            Connect(report, data);
            const QStringList texts = report.Prepare().Pages.at(0).Texts();
            QCOMPARE(texts.mid(0, 17),
                     (QStringList{title,
                                  QStringLiteral("Flashing Pattern:"), QStringLiteral("Alternating"),
                                  QStringLiteral("Radio Mode:"), QStringLiteral("Master"),
                                  QStringLiteral("Flashing Speed:"), QStringLiteral("Fast"),
                                  QStringLiteral("Radio Link:"), QStringLiteral("Channel 15"),
                                  QStringLiteral("Switch DST at:"), QStringLiteral("10/03/2024 02:00:00"),
                                  QStringLiteral("Brightness Min:"), QStringLiteral("20%"),
                                  QStringLiteral("Switch from DST at:"), QStringLiteral("03/11/2024 02:00:00"),
                                  QStringLiteral("Brightness Max:"), QStringLiteral("100%")}));
            auto *logo = dynamic_cast<TReportPicture *>(report.FindObject(QStringLiteral("Logo")));
            QVERIFY(logo && !logo->Image.isNull());
            QCOMPARE(logo->Rect.size(), QSizeF(21, 20));
            QCOMPARE(logo->Rect.right(), report.ContentWidthMm());
        }
    }

    void crossTabsAreFoundByName()
    {
        TReportTemplate config = CreateConfigurationReport();
        auto *schedule = dynamic_cast<TReportCrossTab *>(config.FindObject(ReportNames::CrossSchedule));
        auto *calendar = dynamic_cast<TReportCrossTab *>(config.FindObject(ReportNames::CrossCalendar));
        QVERIFY(schedule && calendar);
        QCOMPARE(schedule->Title, QStringLiteral("Schedule"));
        QCOMPARE(calendar->Title, QStringLiteral("Holidays & Exceptions"));
        QCOMPARE(schedule->MinColumnWidthPx, 50);
        QCOMPARE(calendar->MinColumnWidthPx, 20);
        QVERIFY(!config.FindObject(ReportNames::CrossLog));

        TReportTemplate log = CreateEventLogReport();
        auto *events = dynamic_cast<TReportCrossTab *>(log.FindObject(ReportNames::CrossLog));
        QVERIFY(events);
        QVERIFY(events->Title.isEmpty());
        QVERIFY(!log.FindObject(ReportNames::CrossSchedule));
    }

    void configurationReportHidesAnEmptyCalendar()
    {
        const TTestData data = SampleData(2, 0, 0);
        TReportTemplate report = CreateConfigurationReport();
        Connect(report, data);
        const TPreparedReport prepared = report.Prepare();
        QCOMPARE(prepared.Pages.size(), 1);
        const QStringList texts = prepared.Pages.at(0).Texts();
        QVERIFY(texts.contains(QStringLiteral("Schedule")));
        QVERIFY(texts.contains(QStringLiteral("Special Day Mode #2")));
        QVERIFY(texts.contains(QStringLiteral("-14 hr -1 min")));
        QVERIFY(!texts.contains(QStringLiteral("Holidays & Exceptions")));
        QVERIFY(!texts.contains(QStringLiteral("Substitute")));
    }

    void configurationPdfHoldsSettingsAndEveryRecord()
    {
        const TTestData data = SampleData(16, 16, 0);
        TReportTemplate report = CreateConfigurationReport();
        Connect(report, data);
        const QString text = PdfPages(report.Prepare()).join(QString());
        QVERIFY(text.contains(QLatin1String("Beacons' Schedule and Calendar")));
        QVERIFY(text.contains(PdfRowPattern({QStringLiteral("Flashing Pattern:"), QStringLiteral("Alternating"),
                                          QStringLiteral("Radio Mode:"), QStringLiteral("Master")})));
        QVERIFY(text.contains(PdfRowPattern({QStringLiteral("Switch from DST at:"), QStringLiteral("03/11/2024 02:00:00"),
                                          QStringLiteral("Brightness Max:"), QStringLiteral("100%")})));
        QVERIFY(text.contains(PdfRowPattern(ReportNames::ScheduleColumns)));
        QVERIFY(text.contains(PdfRowPattern(ReportNames::CalendarColumns)));
        for (const QStringList &row : data.schedule)
            QVERIFY2(text.contains(PdfRowPattern(row)), qPrintable(row.join(u'|')));
        for (const QStringList &row : data.calendar)
            QVERIFY2(text.contains(PdfRowPattern(row)), qPrintable(row.join(u'|')));
    }

    void eventLogPdfHoldsEveryRowWithHeadersOnEachPage()
    {
        const TTestData data = SampleData(0, 0, 93);
        TReportTemplate report = CreateEventLogReport();
        Connect(report, data);
        const QStringList pages = PdfPages(report.Prepare());
        QVERIFY(pages.size() >= 2);
        QVERIFY(pages.at(0).contains(QLatin1String("Event Log")));
        QVERIFY(pages.at(0).contains(PdfRowPattern({QStringLiteral("Flashing Speed:"), QStringLiteral("Fast"),
                                                 QStringLiteral("Radio Link:"), QStringLiteral("Channel 15")})));
        int row = 0;
        for (const QString &page : pages) {
            QVERIFY(page.contains(PdfRowPattern(ReportNames::LogColumns)));
            // Rows in list order, each on one line, the second voltage left out.
            for (const QString &line : page.split(u'\n')) {
                if (row < data.log.size()) {
                    const QStringList cells = {data.log.at(row).at(0), data.log.at(row).at(1), data.log.at(row).at(2),
                                               data.log.at(row).at(4)};
                    if (line.contains(PdfRowPattern(cells)))
                        ++row;
                }
            }
            QVERIFY(!page.contains(QLatin1String("11.00 V")));
        }
        QCOMPARE(row, 93);
    }
};

QTEST_MAIN(TestBeaconReports)
#include "tst_beaconreports.moc"
