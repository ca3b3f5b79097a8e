#include "report/beaconreports.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

const TReportFont LabelFont{QStringLiteral("Arial"), 10, true, false};
const TReportFont ValueFont{QStringLiteral("Arial"), 10, false, false};

// Title, rule, the eight label and value pairs and the logo; the same in both
// reports but for the title.
void AddTitleBand(TReportTemplate &report, const QString &title)
{
    const double width = report.ContentWidthMm();
    TReportBand &band = report.AddBand(TReportBand::Title, 41);
    band.Add<TReportMemo>(QStringLiteral("Title"), QRectF(0, 0, width, 11), title,
                          TReportFont{QStringLiteral("Tahoma"), 18, true, false}, Qt::AlignCenter);
    band.Add<TReportLine>(QStringLiteral("TitleRule"), QRectF(0, 12, width, 0));

    struct Pair {
        const char *label;
        const char *value;
    };
    const Pair left[] = {{"Flashing Pattern:", "[flash_pattern]"},
                         {"Flashing Speed:", "[flash_speed]"},
                         {"Switch DST at:", "[dst_to]"},
                         {"Switch from DST at:", "[dst_from]"}};
    const Pair middle[] = {{"Radio Mode:", "[rf_mode]"},
                           {"Radio Link:", "[rf_channel]"},
                           {"Brightness Min:", "[bright_min]%"},
                           {"Brightness Max:", "[bright_max]%"}};
    const double rowTop = 14, rowHeight = 6;
    for (int row = 0; row < 4; ++row) {
        const double top = rowTop + row * rowHeight;
        const QString n = QString::number(row + 1);
        band.Add<TReportMemo>(QStringLiteral("LeftLabel") + n, QRectF(0, top, 40, rowHeight),
                              QString::fromUtf8(left[row].label), LabelFont);
        band.Add<TReportMemo>(QStringLiteral("LeftValue") + n, QRectF(40, top, 56, rowHeight),
                              QString::fromUtf8(left[row].value), ValueFont);
        band.Add<TReportMemo>(QStringLiteral("MiddleLabel") + n, QRectF(98, top, 32, rowHeight),
                              QString::fromUtf8(middle[row].label), LabelFont);
        band.Add<TReportMemo>(QStringLiteral("MiddleValue") + n, QRectF(130, top, 42, rowHeight),
                              QString::fromUtf8(middle[row].value), ValueFont);
    }
    band.Add<TReportPicture>(QStringLiteral("Logo"), QRectF(width - 21, rowTop, 21, 20), ReportLogo());
}

void AddPageFooter(TReportTemplate &report)
{
    const double width = report.ContentWidthMm();
    TReportBand &band = report.AddBand(TReportBand::PageFooter, 8);
    band.Add<TReportLine>(QStringLiteral("FooterRule"), QRectF(0, 2, width, 0));
    TReportMemo &memo = band.Add<TReportMemo>(QStringLiteral("FooterText"), QRectF(0, 3, width, 5), QString(),
                                              TReportFont{QStringLiteral("Arial"), 8, true, true},
                                              Qt::AlignRight | Qt::AlignVCenter);
    memo.Color = Qt::gray;
}

// A data band printed once that holds one cross-tab across its width.
TReportCrossTab &AddCrossTabBand(TReportTemplate &report, const QString &name, const QString &title)
{
    TReportBand &band = report.AddBand(TReportBand::Data, 5);
    return band.Add<TReportCrossTab>(name, QRectF(0, 5, report.ContentWidthMm(), 0), title);
}

} // namespace

TReportTemplate CreateConfigurationReport()
{
    TReportTemplate report(QStringLiteral("frxReport"));
    AddTitleBand(report, QStringLiteral("Beacons' Schedule and Calendar"));
    AddCrossTabBand(report, ReportNames::CrossSchedule, QStringLiteral("Schedule"));
    AddCrossTabBand(report, ReportNames::CrossCalendar, QStringLiteral("Holidays & Exceptions")).MinColumnWidthPx = 20;
    AddPageFooter(report);
    return report;
}

TReportTemplate CreateEventLogReport()
{
    TReportTemplate report(QStringLiteral("frxReportLog"));
    AddTitleBand(report, QStringLiteral("Event Log"));
    AddCrossTabBand(report, ReportNames::CrossLog, QString());
    AddPageFooter(report);
    return report;
}

QImage ReportLogo()
{
    // A beacon head with its two amber lamps above a warning sign, drawn at
    // 300 dpi for the 21 x 20 mm frame.
    QImage image(248, 236, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x33, 0x33, 0x33));
    painter.drawRoundedRect(QRectF(16, 4, 216, 64), 18, 18);
    for (const double x : {72.0, 176.0}) {
        QRadialGradient glow(QPointF(x - 6, 30), 30);
        glow.setColorAt(0, QColor(0xFF, 0xF4, 0xB0));
        glow.setColorAt(1, QColor(0xF5, 0x9E, 0x0B));
        painter.setBrush(glow);
        painter.drawEllipse(QPointF(x, 36), 24, 24);
    }

    QPainterPath sign;
    sign.moveTo(124, 74);
    sign.lineTo(202, 152);
    sign.lineTo(124, 230);
    sign.lineTo(46, 152);
    sign.closeSubpath();
    painter.setPen(QPen(Qt::black, 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(QColor(0xFF, 0xD4, 0x00));
    painter.drawPath(sign);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawRoundedRect(QRectF(115, 112, 18, 58), 8, 8);
    painter.drawEllipse(QPointF(124, 188), 10, 10);
    return image;
}
