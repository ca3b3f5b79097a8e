#include "config/exceptions.h"
#include "pdftext.h"
#include "report/reporttemplate.h"
#include "testenv.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// A small template: a title memo, one cross-tab, a footer.
TReportTemplate MakeTemplate()
{
    TReportTemplate report(QStringLiteral("test"));
    TReportBand &title = report.AddBand(TReportBand::Title, 20);
    title.Add<TReportMemo>(QStringLiteral("Memo1"), QRectF(0, 0, 100, 8), QStringLiteral("Pattern: [pattern]"));
    title.Add<TReportMemo>(QStringLiteral("Memo2"), QRectF(0, 8, 100, 8), QStringLiteral("[low]% to [high]%"));
    report.AddBand(TReportBand::Data, 2)
        .Add<TReportCrossTab>(QStringLiteral("Cross"), QRectF(0, 2, report.ContentWidthMm(), 0),
                              QStringLiteral("Table"));
    report.AddBand(TReportBand::PageFooter, 8)
        .Add<TReportMemo>(QStringLiteral("Footer"), QRectF(0, 2, 100, 5), QStringLiteral("footer"));
    return report;
}

TReportCrossTab &Cross(TReportTemplate &report)
{
    return static_cast<TReportCrossTab &>(*report.FindObject(QStringLiteral("Cross")));
}

// Fills "Cross" with `rows` rows of two columns whenever it is about to print.
void FillRows(TReportTemplate &report, int rows)
{
    report.OnBeforePrint = [rows](TReportObject &sender) {
        if (sender.Name != QLatin1String("Cross"))
            return;
        auto &cross = static_cast<TReportCrossTab &>(sender);
        for (int r = 0; r < rows; ++r) {
            cross.AddValue(r, QStringLiteral("Number"), QStringLiteral("row %1").arg(r, 3, 10, QLatin1Char('0')));
            cross.AddValue(r, QStringLiteral("Text"), QStringLiteral("text of row %1").arg(r));
        }
    };
}

} // namespace

class TestReportEngine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { InitTestEnvironment(); }

    void variablesAreAnsweredByName()
    {
        TReportTemplate report = MakeTemplate();
        QStringList asked;
        report.OnGetValue = [&asked](const QString &name) -> QVariant {
            asked.append(name);
            if (name == QLatin1String("pattern"))
                return QStringLiteral("Wig [Wag]"); // answers are not expanded again
            if (name == QLatin1String("low"))
                return 5;
            return {};
        };
        const QStringList texts = report.Prepare().Pages.at(0).Texts();
        QVERIFY(texts.contains(QStringLiteral("Pattern: Wig [Wag]")));
        QVERIFY(texts.contains(QStringLiteral("5% to %")));
        QCOMPARE(asked, (QStringList{QStringLiteral("pattern"), QStringLiteral("low"), QStringLiteral("high")}));

        QCOMPARE(report.ExpandVariables(QStringLiteral("a [b c")), QStringLiteral("a [b c"));
        report.OnGetValue = nullptr;
        QCOMPARE(report.ExpandVariables(QStringLiteral("[x]y[]")), QStringLiteral("y"));
    }

    void crossTabKeepsOrderOfAdditionAndTextsUnchanged()
    {
        TReportCrossTab cross(QStringLiteral("c"), QRectF());
        cross.AddValue(7, QStringLiteral("B"), QStringLiteral("b7"));
        cross.AddValue(7, QStringLiteral("A"), QStringLiteral("Beacons switched ON [Scheduled]"));
        cross.AddValue(2, QStringLiteral("A"), QStringLiteral("a2"));
        cross.AddValue(2, QStringLiteral("B"), QStringLiteral("first"));
        cross.AddValue(2, QStringLiteral("B"), QStringLiteral("b2")); // the last text added counts
        QCOMPARE(cross.Columns(), (QStringList{QStringLiteral("B"), QStringLiteral("A")}));
        QCOMPARE(cross.RowCount(), 2);
        QCOMPARE(cross.Cell(0, 1), QStringLiteral("Beacons switched ON [Scheduled]"));
        QCOMPARE(cross.Cell(1, 0), QStringLiteral("b2"));
        QCOMPARE(cross.Cell(1, 1), QStringLiteral("a2"));
        QCOMPARE(cross.Cell(5, 5), QString());

        // Cells print as added, brackets and all.
        TReportTemplate report = MakeTemplate();
        report.OnGetValue = [](const QString &) { return QVariant(QStringLiteral("X")); };
        report.OnBeforePrint = [](TReportObject &sender) {
            if (auto *c = dynamic_cast<TReportCrossTab *>(&sender))
                c->AddValue(0, QStringLiteral("Events"), QStringLiteral("Beacons switched ON [Scheduled]"));
        };
        const QStringList texts = report.Prepare().Pages.at(0).Texts();
        QVERIFY(texts.contains(QStringLiteral("Beacons switched ON [Scheduled]")));
    }

    void beforePrintSeesEveryObjectAndHidesOrShows()
    {
        TReportTemplate report = MakeTemplate();
        FillRows(report, 3);
        QStringList seen;
        auto fill = report.OnBeforePrint;
        bool show = false;
        report.OnBeforePrint = [&](TReportObject &sender) {
            seen.append(sender.Name);
            fill(sender);
            if (sender.Name == QLatin1String("Cross"))
                sender.Visible = show;
        };
        QStringList texts = report.Prepare().Pages.at(0).Texts();
        QCOMPARE(seen, (QStringList{QStringLiteral("Memo1"), QStringLiteral("Memo2"), QStringLiteral("Cross"),
                                    QStringLiteral("Footer")}));
        QVERIFY(!texts.contains(QStringLiteral("Table")));
        QVERIFY(!texts.contains(QStringLiteral("row 000")));
        QVERIFY(texts.contains(QStringLiteral("footer")));

        // Shown again, and built twice: each build starts from an empty table.
        show = true;
        report.Prepare();
        texts = report.Prepare().Pages.at(0).Texts();
        QCOMPARE(texts.count(QStringLiteral("row 002")), 1);
        QCOMPARE(Cross(report).RowCount(), 3);
    }

    void crossTabSpansTheBandWithColumnsInProportion()
    {
        TReportTemplate report = MakeTemplate();
        FillRows(report, 2);
        const TReportPage page = report.Prepare().Pages.at(0);
        QList<QRectF> headerBoxes;
        for (const TPageItem &item : page.Items)
            if (item.ItemKind == TPageItem::BoxKind && item.Fill.isValid())
                headerBoxes.append(item.Rect);
        QCOMPARE(headerBoxes.size(), 3); // the title and two column headers
        const double contentWidth = report.ContentWidthMm() * ReportDotsPerMm;
        QCOMPARE(qRound(headerBoxes.at(0).width()), qRound(contentWidth));
        QCOMPARE(qRound(headerBoxes.at(1).width() + headerBoxes.at(2).width()), qRound(contentWidth));
        QVERIFY(headerBoxes.at(2).width() > headerBoxes.at(1).width()); // the longer texts get more room
        QCOMPARE(headerBoxes.at(1).left(), 10 * ReportDotsPerMm);
    }

    void longTableRunsOnWithTitleAndHeaderRepeated()
    {
        TReportTemplate report = MakeTemplate();
        FillRows(report, 93);
        const TPreparedReport prepared = report.Prepare();
        QVERIFY(prepared.Pages.size() >= 2);
        QStringList rows;
        const double pageBottom = prepared.PageSize.size(QPageSize::Millimeter).height() * ReportDotsPerMm;
        for (int p = 0; p < prepared.Pages.size(); ++p) {
            const TReportPage &page = prepared.Pages.at(p);
            QStringList texts = page.Texts();
            QCOMPARE(texts.contains(QStringLiteral("Pattern: ")), p == 0); // the title band opens the report only
            QCOMPARE(texts.last(), QStringLiteral("footer"));
            const qsizetype header = texts.indexOf(QStringLiteral("Table"));
            QVERIFY(header >= 0);
            QCOMPARE(texts.mid(header + 1, 2), (QStringList{QStringLiteral("Number"), QStringLiteral("Text")}));
            for (const QString &text : texts)
                if (text.startsWith(QLatin1String("row ")))
                    rows.append(text);
            // Nothing runs into the bottom margin and the footer.
            for (const TPageItem &item : page.Items)
                QVERIFY(item.Rect.bottom() <= pageBottom - 10 * ReportDotsPerMm + 0.01);
        }
        QCOMPARE(rows.size(), 93);
        for (int r = 0; r < 93; ++r)
            QCOMPARE(rows.at(r), QStringLiteral("row %1").arg(r, 3, 10, QLatin1Char('0')));
    }

    void emptyTableShowsOnlyItsTitle()
    {
        TReportTemplate report = MakeTemplate();
        const QStringList texts = report.Prepare().Pages.at(0).Texts();
        QCOMPARE(texts, (QStringList{QStringLiteral("Pattern: "), QStringLiteral("% to %"), QStringLiteral("Table"),
                                     QStringLiteral("footer")}));
    }

    void pdfReplacesAnOlderFileAndReportsProgress()
    {
        QTemporaryDir dir;
        const QString fileName = dir.filePath(QStringLiteral("report.pdf"));
        QFile old(fileName);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an older file, replaced without asking");
        old.close();

        TReportTemplate report = MakeTemplate();
        report.OnGetValue = [](const QString &) { return QVariant(QStringLiteral("Alternate")); };
        FillRows(report, 93);
        const TPreparedReport prepared = report.Prepare();
        QVERIFY(prepared.Pages.size() >= 2);
        QList<int> progress;
        prepared.ExportToPdf(fileName, [&](int done, int count) {
            progress.append(done);
            QCOMPARE(count, int(prepared.Pages.size()));
        });
        QCOMPARE(progress.size(), prepared.Pages.size());
        QCOMPARE(progress.last(), int(prepared.Pages.size()));

        const QStringList pages = PdfPageTexts(fileName);
        QCOMPARE(pages.size(), prepared.Pages.size());
        QVERIFY(pages.at(0).contains(QLatin1String("Pattern: Alternate")));
        for (const QString &page : pages)
            QVERIFY(page.contains(QRegularExpression(QStringLiteral("Table\\s+Number\\s+Text"))));
        QVERIFY(pages.last().contains(QRegularExpression(QStringLiteral("row 092\\s+text of row 92"))));
    }

    void unwritablePdfIsReported()
    {
        TReportTemplate report = MakeTemplate();
        const QString fileName = QStringLiteral("/nonexistent-folder/report.pdf");
        try {
            report.Prepare().ExportToPdf(fileName);
            QFAIL("no exception");
        } catch (const Exception &e) {
            QCOMPARE(e.Message(), QStringLiteral("Unable to write to /nonexistent-folder/report.pdf"));
        }
    }

    void pageImageIsLetterSizedAndDrawn()
    {
        TReportTemplate report = MakeTemplate();
        FillRows(report, 1);
        const QImage image = report.Prepare().PageImage(0, 50);
        QCOMPARE(image.size(), QSize(425, 550)); // 8.5 x 11 inches
        // Something dark in the title area, nothing in the bottom margin.
        auto darkPixels = [&image](int top, int bottom) {
            int count = 0;
            for (int y = top; y < bottom; ++y)
                for (int x = 0; x < image.width(); ++x)
                    count += qGray(image.pixel(x, y)) < 128;
            return count;
        };
        QVERIFY(darkPixels(20, 40) > 0);
        QCOMPARE(darkPixels(531, 550), 0);
    }
};

QTEST_MAIN(TestReportEngine)
#include "tst_reportengine.moc"
