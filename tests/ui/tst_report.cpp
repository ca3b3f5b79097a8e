// The report window as the operator reaches it from the main window: the two
// print buttons, the window's Export and Print, and "Save to PDF".
#include "../core/report/pdftext.h"
#include "app/frmmain.h"
#include "config/appconfig.h"
#include "monitor/frmreport.h"
#include "pages/childadvanced.h"
#include "store/device.h"
#include "testenv.h"
#include "testmessageservice.h"
#include "widgets/listfill.h"

#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

using Kind = TMessageService::Kind;

namespace {
// The main window and the report window in their start-up order.
struct TRig {
    TTestMessageService messages;
    TAppConfig config;
    TfrmMain window;
    TfrmReport report;
};

// What the preview shows, all pages' texts in order.
QStringList Shown(const TfrmReport &form)
{
    QStringList texts;
    for (const TReportPage &page : form.frxPreview->Report().Pages)
        texts += page.Texts();
    return texts;
}

QList<TListItem> EventRows(int count)
{
    QList<TListItem> rows;
    for (int i = 0; i < count; ++i)
        rows.append({QStringLiteral("%1/11/24 08:%2").arg(28 - i / 60, 2, 10, QLatin1Char('0'))
                          .arg(59 - i % 60, 2, 10, QLatin1Char('0')),
                      {i % 2 ? QStringLiteral("Beacons switched OFF [Manual]") : QStringLiteral("Master command; Beacons ON"),
                       QStringLiteral("12.%1 V").arg(i % 100, 2, 10, QLatin1Char('0')), QStringLiteral("3.33 V"),
                       QStringLiteral("%1 %").arg(i)}});
    return rows;
}

QString PdfText(const QString &fileName)
{
    return PdfPageTexts(fileName).join(QString());
}
}

class TestReport : public QObject {
    Q_OBJECT

    QTemporaryDir fDir;
    std::unique_ptr<TRig> fRig;

    QString path(const char *name) const { return fDir.filePath(QLatin1String(name)); }

private Q_SLOTS:
    void init()
    {
        InitTestEnvironment();
        DeviceSchedule().Clear();
        DeviceCalendar().Clear();
        fRig = std::make_unique<TRig>();
    }
    void cleanup() { fRig.reset(); }

    void printButtonsOpenTheirReportWithItsCaption()
    {
        TfrmMain &window = fRig->window;
        TfrmReport &form = TfrmReport::Instance();
        QCOMPARE(&form, &fRig->report);
        QVERIFY(!form.isVisible()); // created hidden at start-up

        window.btnPrintLog->click();
        QVERIFY(form.isVisible());
        QCOMPARE(form.windowTitle(), QStringLiteral("Event Log"));
        QCOMPARE(&form.CurrentReport(), &form.frxReportLog);
        QCOMPARE(Shown(form).value(0), QStringLiteral("Event Log"));

        // The open window switches to the other report.
        window.Button2->click();
        QCOMPARE(form.windowTitle(), QStringLiteral("Configuration report"));
        QCOMPARE(&form.CurrentReport(), &form.frxReport);
        QCOMPARE(Shown(form).value(0), QStringLiteral("Beacons' Schedule and Calendar"));
        QVERIFY(fRig->messages.entries.isEmpty());
    }

    void reportsShowThePagesAsTheyAreWhenBuilt()
    {
        TfrmMain &window = fRig->window;
        TfrmReport &form = fRig->report;
        window.AdvancedSettingsPage->Change([](TAdvancedSettings &settings) {
            settings.FlashPattern = 1;
            settings.BeaconRole = 2;
            settings.LinkChannel = 9;
            settings.SetBrightness(30, 70);
        });
        DeviceSchedule().SaveRecord({0, 0, 0x15, 390, 1230}, true);
        window.Button2->click();
        QStringList texts = Shown(form);
        for (const char *text : {"Simultaneous One Flash", "Slave Beacon", "Channel #9", "30%", "70%", "Mo,We,Fr",
                                 "14 hr 0 min"})
            QVERIFY2(texts.contains(QLatin1String(text)), text);
        QVERIFY(!texts.contains(QStringLiteral("Holidays & Exceptions"))); // the calendar is empty

        FillListView(window.lvEvents, {EventRows(2), -1});
        window.btnPrintLog->click();
        texts = Shown(form);
        QVERIFY(texts.contains(QStringLiteral("Simultaneous One Flash")));
        QVERIFY(texts.contains(QStringLiteral("Master command; Beacons ON")));
        QVERIFY(texts.contains(QStringLiteral("12.01 V")));
        QVERIFY(!texts.contains(QStringLiteral("3.33 V"))); // the hidden column stays hidden
        QVERIFY(!texts.contains(QStringLiteral("Mo,We,Fr")));
    }

    void exportWritesWhatTheWindowShowsThenBuildsAgain()
    {
        TfrmMain &window = fRig->window;
        TfrmReport &form = fRig->report;
        FillListView(window.lvEvents, {EventRows(3), -1});
        window.btnPrintLog->click();
        // A row the list gains after the build is not in the pages shown.
        FillListView(window.lvEvents, {EventRows(4), -1});
        fRig->messages.fileAnswers.enqueue(path("shown.pdf"));
        form.btnExportToPDF->click();
        const QString text = PdfText(path("shown.pdf"));
        QVERIFY(text.contains(QLatin1String("Event Log")));
        QVERIFY(!text.contains(QLatin1String("Beacons' Schedule and Calendar")));
        QVERIFY(text.contains(QLatin1String("12.02 V")));
        QVERIFY(!text.contains(QLatin1String("12.03 V")));
        QVERIFY(Shown(form).contains(QStringLiteral("12.03 V"))); // built again afterwards

        window.Button2->click();
        fRig->messages.fileAnswers.enqueue(path("config.pdf"));
        form.btnExportToPDF->click();
        QVERIFY(PdfText(path("config.pdf")).contains(QLatin1String("Beacons' Schedule and Calendar")));

        // Cancelling the file dialog writes nothing and says nothing.
        form.btnExportToPDF->click();
        QVERIFY(fRig->messages.entries.isEmpty());
        QCOMPARE(QDir(fDir.path()).entryList(QDir::Files).size(), 2);

        // A file that cannot be written is reported; the preview stays.
        fRig->messages.fileAnswers.enqueue(path("missing/folder/x.pdf"));
        form.btnExportToPDF->click();
        QCOMPARE(fRig->messages.Texts(Kind::Error),
                 QStringList{QStringLiteral("Unable to write to ") + path("missing/folder/x.pdf")});
        QCOMPARE(Shown(form).value(0), QStringLiteral("Beacons' Schedule and Calendar"));
    }

    void saveToPdfExportsTheEventLogWithoutShowingTheWindow()
    {
        TfrmMain &window = fRig->window;
        TfrmReport &form = fRig->report;
        const QList<TListItem> rows = EventRows(93);
        FillListView(window.lvEvents, {rows, -1});
        fRig->messages.fileAnswers.enqueue(path("log.pdf"));
        window.Button5->click();
        QVERIFY(!form.isVisible());
        QVERIFY(fRig->messages.entries.isEmpty());
        const QStringList pages = PdfPageTexts(path("log.pdf"));
        QVERIFY(pages.size() >= 2);
        for (const QString &page : pages)
            QVERIFY(page.contains(QLatin1String("Power Supply")));
        const QString text = pages.join(QString());
        for (const TListItem &row : rows)
            QVERIFY2(text.contains(row.Caption), qPrintable(row.Caption));

        // An open window showing the other report keeps showing it.
        window.Button2->click();
        fRig->messages.fileAnswers.enqueue(path("log2.pdf"));
        window.Button5->click();
        QVERIFY(PdfText(path("log2.pdf")).contains(QLatin1String("Event Log")));
        QCOMPARE(form.windowTitle(), QStringLiteral("Configuration report"));
        QCOMPARE(Shown(form).value(0), QStringLiteral("Beacons' Schedule and Calendar"));
    }

    void printPrintsWhatTheWindowShows()
    {
        TfrmReport &form = fRig->report;
        fRig->window.Button2->click();
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path("printed.pdf"));
        form.PrintReport(printer);
        QVERIFY(PdfText(path("printed.pdf")).contains(QLatin1String("Beacons' Schedule and Calendar")));
    }

    // However far the operator scrolled, a report opens at its first page.
    void aReportOpensAtItsTop()
    {
        TfrmMain &window = fRig->window;
        TfrmReport &form = fRig->report;
        FillListView(window.lvEvents, {EventRows(93), -1});
        QScrollBar *bar = form.frxPreview->verticalScrollBar();
        const auto scrollDown = [&] {
            QTRY_VERIFY(bar->maximum() > 0);
            bar->setValue(bar->maximum());
        };
        window.btnPrintLog->click();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(bar->value(), 0);
        scrollDown();
        form.BtnClose->click();
        window.btnPrintLog->click(); // opened again
        QCOMPARE(bar->value(), 0);
        scrollDown();
        window.Button2->click(); // the other report, the window still open
        QCOMPARE(bar->value(), 0);
    }

    void closeHidesTheWindow()
    {
        fRig->window.btnPrintLog->click();
        fRig->report.BtnClose->click();
        QVERIFY(!fRig->report.isVisible());
    }
};

QTEST_MAIN(TestReport)
#include "tst_report.moc"
