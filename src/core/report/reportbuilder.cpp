// Builds a template into pages: bands in order, cross-tabs flowing over as
// many pages as their rows need, the page footer closing every page.
#include "report/reporttemplate.h"

#include <QFontMetricsF>

namespace {

constexpr double DotsPerPx = ReportDotsPerInch / 96.0;
constexpr double CellPadX = 30; // dots
constexpr double CellPadY = 20;
constexpr double FramePen = 5;
const QColor HeaderFill(0xC0, 0xC0, 0xC0); // silver

QFont MakeFont(const TReportFont &style)
{
    QFont font(ReportFontFamily(style.Family));
    font.setPixelSize(qRound(style.PointSize * ReportDotsPerInch / 72.0));
    font.setBold(style.Bold);
    font.setItalic(style.Italic);
    // Unhinted metrics are the same at every resolution, so what is measured
    // here is what the printer and the PDF draw.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

double TextHeight(const QFont &font, double width, const QString &text)
{
    const QFontMetricsF metrics(font);
    const QRectF bounds = metrics.boundingRect(QRectF(0, 0, qMax(width, 1.0), 1e6), Qt::TextWordWrap,
                                               text.isEmpty() ? QStringLiteral(" ") : text);
    return qMax(bounds.height(), metrics.height());
}

class TReportBuilder {
public:
    explicit TReportBuilder(TReportTemplate &report) : fTemplate(report)
    {
        const QSizeF paper = report.PageSize.size(QPageSize::Millimeter) * ReportDotsPerMm;
        fLeft = fTop = report.MarginMm * ReportDotsPerMm;
        fWidth = paper.width() - 2 * fLeft;
        for (const TReportBand &band : report.Bands)
            if (band.BandKind == TReportBand::PageFooter)
                fFooterHeight += band.HeightMm * ReportDotsPerMm;
        fBottom = paper.height() - fTop - fFooterHeight;
        fResult.PageSize = report.PageSize;
    }

    TPreparedReport Build()
    {
        for (TReportBand &band : fTemplate.Bands)
            for (auto &object : band.Objects)
                if (auto *cross = dynamic_cast<TReportCrossTab *>(object.get()))
                    cross->Clear();
        StartPage();
        for (TReportBand &band : fTemplate.Bands)
            if (band.BandKind != TReportBand::PageFooter)
                PlaceBand(band);
        FinishPage();
        return std::move(fResult);
    }

private:
    void StartPage()
    {
        fResult.Pages.append(TReportPage{});
        fY = fTop;
    }

    void FinishPage()
    {
        double y = fBottom;
        for (TReportBand &band : fTemplate.Bands) {
            if (band.BandKind != TReportBand::PageFooter)
                continue;
            for (auto &object : band.Objects)
                if (BeforePrint(*object))
                    PlaceFixed(*object, y);
            y += band.HeightMm * ReportDotsPerMm;
        }
    }

    void NextPage()
    {
        FinishPage();
        StartPage();
    }

    bool BeforePrint(TReportObject &object)
    {
        if (fTemplate.OnBeforePrint)
            fTemplate.OnBeforePrint(object);
        return object.Visible;
    }

    // Fixed objects are laid out with the band's top; cross-tabs after them,
    // each from its own top down, as far as its rows need.
    void PlaceBand(TReportBand &band)
    {
        const double height = band.HeightMm * ReportDotsPerMm;
        if (fY + height > fBottom && fY > fTop)
            NextPage();
        const double top = fY;
        QList<TReportCrossTab *> crossTabs;
        for (auto &object : band.Objects) {
            if (auto *cross = dynamic_cast<TReportCrossTab *>(object.get()))
                crossTabs.append(cross);
            else if (BeforePrint(*object))
                PlaceFixed(*object, top);
        }
        const qsizetype pagesBefore = fResult.Pages.size();
        double end = top + height;
        for (TReportCrossTab *cross : crossTabs) {
            if (!BeforePrint(*cross))
                continue;
            fY = qMax(fY, top + cross->Rect.top() * ReportDotsPerMm);
            PlaceCrossTab(*cross);
            end = fResult.Pages.size() == pagesBefore ? qMax(end, fY) : fY;
        }
        fY = end;
    }

    QRectF ToDots(const QRectF &mm, double bandTop) const
    {
        return QRectF(fLeft + mm.left() * ReportDotsPerMm, bandTop + mm.top() * ReportDotsPerMm,
                      mm.width() * ReportDotsPerMm, mm.height() * ReportDotsPerMm);
    }

    void PlaceFixed(TReportObject &object, double bandTop)
    {
        TPageItem item;
        item.Rect = ToDots(object.Rect, bandTop);
        if (auto *memo = dynamic_cast<TReportMemo *>(&object)) {
            item.ItemKind = TPageItem::TextKind;
            item.Text = fTemplate.ExpandVariables(memo->Text);
            item.Font = MakeFont(memo->Font);
            item.Flags = int(memo->Alignment);
            item.Color = memo->Color;
            if (item.Text.isEmpty())
                return;
        } else if (auto *line = dynamic_cast<TReportLine *>(&object)) {
            item.ItemKind = TPageItem::LineKind;
            item.PenWidth = line->WidthPt * ReportDotsPerInch / 72.0;
        } else if (auto *picture = dynamic_cast<TReportPicture *>(&object)) {
            item.ItemKind = TPageItem::ImageKind;
            item.Picture = picture->Image;
        } else {
            return;
        }
        Page().Items.append(item);
    }

    TReportPage &Page() { return fResult.Pages.last(); }

    void PlaceCell(const QRectF &rect, const QString &text, const QFont &font, int alignment, const QColor &fill)
    {
        TPageItem box;
        box.ItemKind = TPageItem::BoxKind;
        box.Rect = rect;
        box.Fill = fill;
        box.PenWidth = FramePen;
        Page().Items.append(box);
        TPageItem label;
        label.Rect = rect.adjusted(CellPadX, CellPadY, -CellPadX, -CellPadY);
        label.Text = text;
        label.Font = font;
        label.Flags = alignment | Qt::AlignVCenter | Qt::TextWordWrap;
        Page().Items.append(label);
    }

    // Column widths from their widest text within the cross-tab's limits,
    // then stretched or narrowed together to span the width left in the band.
    QList<double> ColumnWidths(const TReportCrossTab &cross, const QFont &cellFont, const QFont &headerFont,
                               double width) const
    {
        const QFontMetricsF cellMetrics(cellFont), headerMetrics(headerFont);
        QList<double> widths;
        double total = 0;
        for (int c = 0; c < cross.Columns().size(); ++c) {
            double natural = headerMetrics.horizontalAdvance(cross.Columns().at(c));
            for (int r = 0; r < cross.RowCount(); ++r)
                natural = qMax(natural, cellMetrics.horizontalAdvance(cross.Cell(r, c)));
            natural = qBound(cross.MinColumnWidthPx * DotsPerPx, natural + 2 * CellPadX + FramePen,
                             cross.MaxColumnWidthPx * DotsPerPx);
            widths.append(natural);
            total += natural;
        }
        for (double &w : widths)
            w *= width / total;
        return widths;
    }

    void PlaceCrossTab(const TReportCrossTab &cross)
    {
        const QFont cellFont = MakeFont(cross.Font);
        TReportFont headerSpec = cross.Font;
        headerSpec.Bold = true;
        const QFont headerFont = MakeFont(headerSpec);
        const double left = fLeft + cross.Rect.left() * ReportDotsPerMm;
        const double width = fLeft + fWidth - left;
        const QStringList &columns = cross.Columns();
        const QList<double> widths =
            columns.isEmpty() ? QList<double>{} : ColumnWidths(cross, cellFont, headerFont, width);

        auto rowHeight = [&](const QFont &font, const QStringList &texts) {
            double height = 0;
            for (int c = 0; c < texts.size(); ++c)
                height = qMax(height, TextHeight(font, widths.at(c) - 2 * CellPadX, texts.at(c)));
            return height + 2 * CellPadY;
        };
        const double titleHeight =
            cross.Title.isEmpty() ? 0 : TextHeight(headerFont, width - 2 * CellPadX, cross.Title) + 2 * CellPadY;
        const double headerHeight = columns.isEmpty() ? 0 : rowHeight(headerFont, columns);
        QList<QStringList> rows;
        QList<double> heights;
        for (int r = 0; r < cross.RowCount(); ++r) {
            QStringList texts;
            for (int c = 0; c < columns.size(); ++c)
                texts.append(cross.Cell(r, c));
            heights.append(rowHeight(cellFont, texts));
            rows.append(texts);
        }

        auto placeRow = [&](const QStringList &texts, double height, const QFont &font, int alignment,
                            const QColor &fill) {
            double x = left;
            for (int c = 0; c < texts.size(); ++c) {
                PlaceCell(QRectF(x, fY, widths.at(c), height), texts.at(c), font, alignment, fill);
                x += widths.at(c);
            }
            fY += height;
        };
        auto placeHeader = [&] {
            if (titleHeight > 0) {
                PlaceCell(QRectF(left, fY, width, titleHeight), cross.Title, headerFont, Qt::AlignHCenter, HeaderFill);
                fY += titleHeight;
            }
            if (headerHeight > 0)
                placeRow(columns, headerHeight, headerFont, Qt::AlignHCenter, HeaderFill);
        };

        // The header never stands alone at the foot of a page.
        const double opening = titleHeight + headerHeight + (heights.isEmpty() ? 0 : heights.first());
        if (fY + opening > fBottom && fY > fTop)
            NextPage();
        placeHeader();
        for (int r = 0; r < rows.size(); ++r) {
            const bool pageStartsHere = fY <= fTop + titleHeight + headerHeight;
            if (fY + heights.at(r) > fBottom && !pageStartsHere) {
                NextPage();
                placeHeader();
            }
            placeRow(rows.at(r), heights.at(r), cellFont, Qt::AlignLeft, QColor());
        }
    }

    TReportTemplate &fTemplate;
    TPreparedReport fResult;
    double fLeft = 0, fTop = 0, fWidth = 0, fBottom = 0, fFooterHeight = 0;
    double fY = 0;
};

} // namespace

TPreparedReport TReportTemplate::Prepare()
{
    return TReportBuilder(*this).Build();
}
