#pragma once
#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QPageSize>
#include <QRectF>
#include <QString>
#include <functional>

class QPagedPaintDevice;
class QPainter;

// Built pages are laid out in "dots" of 1/720 inch: fine enough that fonts get
// whole pixel sizes (10 pt = 100 dots) and text measures alike on screen,
// printer and PDF, whatever their resolution.
inline constexpr double ReportDotsPerInch = 720.0;
inline constexpr double ReportDotsPerMm = ReportDotsPerInch / 25.4;

// One thing drawn on a built page.
struct TPageItem {
    enum Kind { TextKind, LineKind, BoxKind, ImageKind };
    Kind ItemKind = TextKind;
    QRectF Rect; // a line runs from the top left to the bottom right corner
    QString Text;
    QFont Font;
    int Flags = 0; // Qt::AlignmentFlag | Qt::TextFlag
    QColor Color = Qt::black;
    QColor Fill; // boxes; invalid for none
    double PenWidth = 5; // lines and box frames, in dots
    QImage Picture;
};

struct TReportPage {
    QList<TPageItem> Items;
    QStringList Texts() const; // the texts on the page, in drawing order
};

// A template built into pages; draws them on any paint device.
class TPreparedReport {
public:
    QPageSize PageSize{QPageSize::Letter};
    QList<TReportPage> Pages;

    // Draws one page with the painter's origin at the paper's top left corner
    // and `scale` device pixels per dot.
    void RenderPage(QPainter &painter, int index, double scale) const;

    // Every page on a printer, a preview or a PDF writer; `progress` hears
    // (pages done, page count). Throws Exception when the device cannot be
    // painted on.
    void Print(QPagedPaintDevice &device, const std::function<void(int, int)> &progress = {}) const;

    // Writes a PDF file, replacing any file of that name only once the whole
    // document is written.
    void ExportToPdf(const QString &fileName, const std::function<void(int, int)> &progress = {}) const;

    // One page as a white image at `dpi`.
    QImage PageImage(int index, int dpi) const;
};
