#include "monitor/frmreport.h"

#include "config/exceptions.h"
#include "config/errorhandler.h"
#include "config/messages.h"
#include "config/messageservice.h"
#include "report/beaconreports.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {
const QString kExportFilter = QStringLiteral("Adobe PDF Files (*.pdf)|*.pdf|All Files (*.*)|*.*");
const QString kExportExt = QStringLiteral(".pdf");

constexpr int PageGap = 12; // pixels around and between the pages

// The pages of a built report on a grey desk, as wide as the view allows,
// drawn straight from the built items so the preview shows what the printer
// and the PDF get.
class TPreviewPages : public QWidget {
public:
    TPreviewPages(const TPreparedReport &report, QWidget *parent) : QWidget(parent), fReport(report)
    {
        setAutoFillBackground(true);
        QPalette desk = palette();
        desk.setColor(QPalette::Window, QColor(128, 128, 128));
        setPalette(desk);
    }

    void Relayout(int viewWidth)
    {
        const QSizeF paper = fReport.PageSize.size(QPageSize::Inch) * ReportDotsPerInch;
        fScale = qMax(viewWidth - 2 * PageGap, 100) / paper.width();
        fPage = (paper * fScale).toSize();
        const int count = int(fReport.Pages.size());
        setFixedSize(fPage.width() + 2 * PageGap, count * (fPage.height() + PageGap) + PageGap);
        update();
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QPainter painter(this);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
        for (int i = 0; i < fReport.Pages.size(); ++i) {
            const QRect page(QPoint(PageGap, PageGap + i * (fPage.height() + PageGap)), fPage);
            if (!event->rect().intersects(page.adjusted(0, 0, 3, 3)))
                continue;
            painter.fillRect(page.translated(3, 3), QColor(64, 64, 64));
            painter.fillRect(page, Qt::white);
            painter.save();
            painter.translate(page.topLeft());
            painter.setClipRect(QRect(QPoint(), fPage));
            fReport.RenderPage(painter, i, fScale);
            painter.restore();
        }
    }

private:
    const TPreparedReport &fReport;
    double fScale = 1; // pixels per dot
    QSize fPage;
};
}

TReportPreview::TReportPreview(QWidget *parent) : QScrollArea(parent)
{
    setWidget(new TPreviewPages(fReport, this));
    setAlignment(Qt::AlignHCenter);
    setBackgroundRole(QPalette::Dark);
    // The pages fit the width; a fixed vertical bar keeps that width steady.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void TReportPreview::ShowReport(TPreparedReport report)
{
    fReport = std::move(report);
    static_cast<TPreviewPages *>(widget())->Relayout(viewport()->width());
}

void TReportPreview::resizeEvent(QResizeEvent *event)
{
    QScrollArea::resizeEvent(event);
    static_cast<TPreviewPages *>(widget())->Relayout(viewport()->width());
}

QString TPdfExport::Execute(const TPreparedReport &report, const QString &suggestedName) const
{
    const QString title = QString::fromUtf8(Msg::ReportExportTitle);
    const QString fileName = Messages().SaveFileName(title, kExportFilter, kExportExt, suggestedName + kExportExt);
    if (fileName.isEmpty())
        return {};
    const int count = int(report.Pages.size());
    QProgressDialog progress(Fmt(Msg::ReportExporting, 1, count), QString(), 0, count, QApplication::activeWindow());
    progress.setWindowTitle(title);
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(0);
    progress.setValue(0);
    report.ExportToPdf(fileName, [&progress](int done, int pages) {
        progress.setLabelText(Fmt(Msg::ReportExporting, qMin(done + 1, pages), pages));
        progress.setValue(done);
    });
    return fileName;
}

TfrmReport::TfrmReport(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                          | Qt::WindowMinimizeButtonHint),
      frxReport(CreateConfigurationReport()), frxReportLog(CreateEventLogReport()), fCurrent(&frxReport)
{
    setObjectName(QStringLiteral("frmReport"));
    setWindowTitle(QStringLiteral("Report"));
    for (TReportTemplate *report : {&frxReport, &frxReportLog}) {
        report->OnGetValue = [this](const QString &name) { return frxReportGetValue(name); };
        report->OnBeforePrint = [this](TReportObject &sender) { frxReportBeforePrint(sender); };
    }

    frxPreview = new TReportPreview(this);
    frxPreview->setObjectName(QStringLiteral("frxPreview"));
    btnExportToPDF = new QPushButton(QStringLiteral("Export"), this);
    btnExportToPDF->setObjectName(QStringLiteral("btnExportToPDF"));
    btnPrint = new QPushButton(QStringLiteral("Print"), this);
    btnPrint->setObjectName(QStringLiteral("btnPrint"));
    BtnClose = new QPushButton(QStringLiteral("Close"), this);
    BtnClose->setObjectName(QStringLiteral("BtnClose"));
    const std::pair<QPushButton *, void (TfrmReport::*)()> buttons[] = {
        {btnExportToPDF, &TfrmReport::btnExportToPDFClick},
        {btnPrint, &TfrmReport::btnPrintClick},
        {BtnClose, &TfrmReport::BtnCloseClick}};
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    for (const auto &[button, handler] : buttons) {
        button->setMinimumSize(100, 30);
        connect(button, &QPushButton::clicked, this, [this, handler = handler] { RunAction([&] { (this->*handler)(); }); });
        row->addWidget(button);
    }

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(frxPreview, 1);
    layout->addLayout(row);

    // A page at its printed size on a usual screen, with room for the scroll
    // bar, as far as the screen allows.
    const QSize page = frxReport.PageSize.sizePixels(96);
    QSize size(page.width() + 2 * PageGap + 40, 900);
    if (const QScreen *screen = QApplication::primaryScreen()) {
        size = size.boundedTo(screen->availableGeometry().size() - QSize(40, 80));
        setFixedSize(size);
        move(screen->availableGeometry().center() - rect().center());
    } else {
        setFixedSize(size);
    }

}

void TfrmReport::ShowReport(TReportTemplate &report)
{
    fCurrent = &report;
    frxPreview->ShowReport(report.Prepare());
}

void TfrmReport::ExportReport(TReportTemplate &report)
{
    frxPDFExport.Execute(report.Prepare(), FileTitle(report));
    if (fCurrent == &report && isVisible())
        ShowReport(report);
}

void TfrmReport::btnExportToPDFClick()
{
    frxPDFExport.Execute(frxPreview->Report(), FileTitle(*fCurrent));
    ShowReport(*fCurrent);
}

void TfrmReport::btnPrintClick()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(FileTitle(*fCurrent));
    QPrintDialog dialog(&printer, this);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false); // every page is printed
    if (dialog.exec() == QDialog::Accepted)
        PrintReport(printer);
    else
        ShowReport(*fCurrent); // the preview is built afresh either way
}

void TfrmReport::PrintReport(QPrinter &printer)
{
    frxPreview->Report().Print(printer);
    ShowReport(*fCurrent);
}

void TfrmReport::BtnCloseClick()
{
    close();
}

QVariant TfrmReport::frxReportGetValue(const QString &VarName) const
{
    return Sources.Settings ? ReportValue(VarName, Sources.Settings(), Sources.Locale) : QVariant(QString());
}

void TfrmReport::frxReportBeforePrint(TReportObject &Sender) const
{
    FillReportObject(Sender, Sources);
}

QString TfrmReport::FileTitle(const TReportTemplate &report) const
{
    const auto *title = dynamic_cast<const TReportMemo *>(report.FindObject(QStringLiteral("Title")));
    return title ? title->Text : report.Name;
}
