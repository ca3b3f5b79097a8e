#include "report/reportpages.h"

#include "config/exceptions.h"
#include "config/messages.h"

#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

QStringList TReportPage::Texts() const
{
    QStringList texts;
    for (const TPageItem &item : Items)
        if (item.ItemKind == TPageItem::TextKind)
            texts.append(item.Text);
    return texts;
}

void TPreparedReport::RenderPage(QPainter &painter, int index, double scale) const
{
    painter.save();
    painter.scale(scale, scale);
    for (const TPageItem &item : Pages.at(index).Items) {
        switch (item.ItemKind) {
        case TPageItem::TextKind:
            painter.setFont(item.Font);
            painter.setPen(item.Color);
            painter.drawText(item.Rect, item.Flags, item.Text);
            break;
        case TPageItem::LineKind:
            painter.setPen(QPen(item.Color, item.PenWidth, Qt::SolidLine, Qt::FlatCap));
            painter.drawLine(item.Rect.topLeft(), item.Rect.bottomRight());
            break;
        case TPageItem::BoxKind:
            painter.setPen(QPen(item.Color, item.PenWidth));
            painter.setBrush(item.Fill.isValid() ? QBrush(item.Fill) : QBrush(Qt::NoBrush));
            painter.drawRect(item.Rect);
            break;
        case TPageItem::ImageKind:
            painter.drawImage(item.Rect, item.Picture);
            break;
        }
    }
    painter.restore();
}

void TPreparedReport::Print(QPagedPaintDevice &device, const std::function<void(int, int)> &progress) const
{
    device.setPageSize(PageSize);
    device.setPageOrientation(QPageLayout::Portrait);
    device.setPageMargins(QMarginsF(), QPageLayout::Millimeter); // a printer may refuse; see below
    QPainter painter;
    if (!painter.begin(&device))
        throw Exception(Msg::ReportPrintFailed);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    // A printer may keep margins of its own; the painter's origin is then
    // inside them, and the pages are drawn from the paper's corner regardless.
    const int dpi = device.logicalDpiX();
    const QPoint origin = device.pageLayout().paintRectPixels(dpi).topLeft();
    for (int i = 0; i < Pages.size(); ++i) {
        if (i > 0 && !device.newPage())
            throw Exception(Msg::ReportPrintFailed);
        painter.save();
        painter.translate(-origin);
        RenderPage(painter, i, dpi / ReportDotsPerInch);
        painter.restore();
        if (progress)
            progress(i + 1, int(Pages.size()));
    }
    if (!painter.end())
        throw Exception(Msg::ReportPrintFailed);
}

void TPreparedReport::ExportToPdf(const QString &fileName, const std::function<void(int, int)> &progress) const
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw Exception(Fmt(Msg::UnableToWrite, fileName));
    {
        QPdfWriter writer(&file);
        writer.setCreator(QStringLiteral("Pavoline Beacon Control"));
        Print(writer, progress);
    }
    if (!file.commit())
        throw Exception(Fmt(Msg::UnableToWrite, fileName));
}

QImage TPreparedReport::PageImage(int index, int dpi) const
{
    const QSizeF inches = PageSize.size(QPageSize::Inch);
    QImage image(qRound(inches.width() * dpi), qRound(inches.height() * dpi), QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    RenderPage(painter, index, dpi / ReportDotsPerInch);
    return image;
}
