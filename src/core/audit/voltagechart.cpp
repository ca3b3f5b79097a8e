#include "audit/voltagechart.h"

#include "eventlog/events.h"
#include "report/reporttemplate.h"

#include <QPainter>
#include <QPainterPath>
#include <QSet>
#include <algorithm>
#include <cmath>

namespace {
constexpr int DayMinutes = 24 * 60;

QFont ChartFont(double pixelSize)
{
    QFont font(ReportFontFamily(QStringLiteral("Arial")));
    font.setPixelSize(std::max(1, int(std::lround(pixelSize))));
    return font;
}
}

double EventVolts(const type_events_record &event)
{
    return event.parms[0] / RawPerVolt;
}

QDateTime WallTime(TWallMinute minute)
{
    return QDateTime(QDate(2010, 1, 1), QTime(0, 0), Qt::UTC).addSecs(minute * 60);
}

TVoltageSeries MakeVoltageSeries(const QList<type_events_record> &events, QDate from, QDate to, int stretches, int marks)
{
    TVoltageSeries series;
    series.From = WallMinute(from);
    series.To = WallMinute(to.addDays(1));
    const TWallMinute length = std::max<TWallMinute>(1, series.To - series.From);
    stretches = std::max(1, stretches);
    QVector<int> low(stretches, -1), high(stretches, -1);
    QVector<int> readings; // index into events, within the range
    for (int i = 0; i < events.size(); ++i) {
        const TWallMinute at = WallMinute(events.at(i));
        if (at < series.From || at >= series.To)
            continue;
        readings.append(i);
        const int s = int((at - series.From) * stretches / length);
        const qint16 v = events.at(i).parms[0];
        if (low[s] < 0 || v < events.at(low[s]).parms[0])
            low[s] = i;
        if (high[s] < 0 || v > events.at(high[s]).parms[0])
            high[s] = i;
    }
    if (readings.isEmpty())
        return series;
    const auto point = [&events](int i) { return TVoltagePoint{WallMinute(events.at(i)), EventVolts(events.at(i))}; };
    for (int s = 0; s < stretches; ++s) {
        if (low[s] < 0)
            continue;
        series.Low.append(point(low[s]));
        series.High.append(point(high[s]));
    }
    series.Min = std::min_element(series.Low.cbegin(), series.Low.cend(), [](auto &a, auto &b) { return a.Volts < b.Volts; })->Volts;
    series.Max = std::max_element(series.High.cbegin(), series.High.cend(), [](auto &a, auto &b) { return a.Volts < b.Volts; })->Volts;
    // The lowest readings, one a day: a bad night is marked once.
    std::stable_sort(readings.begin(), readings.end(),
                     [&events](int a, int b) { return events.at(a).parms[0] < events.at(b).parms[0]; });
    QSet<int> days;
    for (int i : std::as_const(readings)) {
        if (series.Lowest.size() >= marks)
            break;
        if (days.contains(events.at(i).day_num))
            continue;
        days.insert(events.at(i).day_num);
        series.Lowest.append(point(i));
    }
    return series;
}

void PaintVoltageChart(QPainter &painter, const QRectF &rect, const TVoltageSeries &series, const QLocale &locale)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const double unit = rect.height() / 60.0; // one sixtieth of the height: text and margins scale with it
    const QFont label = ChartFont(unit * 2.6);
    painter.setFont(label);
    const QFontMetricsF metrics(label);
    const QRectF plot = rect.adjusted(metrics.horizontalAdvance(QStringLiteral("00.0 V")) + unit * 2, unit * 5,
                                      -unit * 2, -metrics.height() * 2 - unit * 2);
    painter.setPen(QPen(Qt::black, unit * 0.15));
    painter.drawText(QRectF(rect.left(), rect.top(), rect.width(), unit * 5), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Power Supply"));
    painter.drawRect(plot);
    if (series.IsEmpty()) {
        painter.drawText(plot, Qt::AlignCenter, QStringLiteral("No readings in this range"));
        painter.restore();
        return;
    }
    // Volts: whole volts around the readings, at least two apart.
    double lowV = std::floor(series.Min - 0.5), highV = std::ceil(series.Max + 0.5);
    if (highV - lowV < 2)
        highV = lowV + 2;
    const double span = double(series.To - series.From);
    const auto x = [&](TWallMinute m) { return plot.left() + plot.width() * double(m - series.From) / span; };
    const auto y = [&](double v) { return plot.bottom() - plot.height() * (v - lowV) / (highV - lowV); };
    const int voltStep = std::max(1, int(std::ceil((highV - lowV) / 6)));
    painter.setPen(QPen(QColor(210, 210, 210), unit * 0.1));
    for (double v = lowV; v <= highV + 1e-9; v += voltStep) {
        painter.drawLine(QPointF(plot.left(), y(v)), QPointF(plot.right(), y(v)));
        painter.save();
        painter.setPen(Qt::black);
        painter.drawText(QRectF(rect.left(), y(v) - unit * 3, plot.left() - rect.left() - unit, unit * 6),
                         Qt::AlignRight | Qt::AlignVCenter, locale.toString(v, 'f', 1) + QStringLiteral(" V"));
        painter.restore();
    }
    // Dates: about six along the axis, on day boundaries.
    const TWallMinute days = std::max<TWallMinute>(1, (series.To - series.From) / DayMinutes);
    const TWallMinute dayStep = std::max<TWallMinute>(1, (days + 5) / 6);
    for (TWallMinute d = 0; d <= days; d += dayStep) {
        const TWallMinute m = series.From + d * DayMinutes;
        painter.drawLine(QPointF(x(m), plot.top()), QPointF(x(m), plot.bottom()));
        painter.save();
        painter.setPen(Qt::black);
        painter.drawText(QRectF(x(m) - unit * 15, plot.bottom() + unit, unit * 30, metrics.height()), Qt::AlignHCenter | Qt::AlignTop,
                         locale.toString(WallTime(m).date(), QLocale::ShortFormat));
        painter.restore();
    }
    const auto line = [&](const QVector<TVoltagePoint> &points, const QColor &color) {
        QPainterPath path;
        for (qsizetype i = 0; i < points.size(); ++i) {
            const QPointF p(x(points[i].At), y(points[i].Volts));
            if (i == 0)
                path.moveTo(p);
            else
                path.lineTo(p);
        }
        painter.setPen(QPen(color, unit * 0.25));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
    };
    line(series.High, QColor(120, 160, 220));
    line(series.Low, QColor(20, 60, 150));
    painter.setPen(QPen(QColor(200, 0, 0), unit * 0.3));
    painter.setBrush(QColor(230, 40, 40));
    for (const TVoltagePoint &p : series.Lowest) {
        const QPointF at(x(p.At), y(p.Volts));
        painter.drawEllipse(at, unit * 0.9, unit * 0.9);
        const QString text = locale.toString(p.Volts, 'f', 2) + QStringLiteral(" V ") +
                             locale.toString(WallTime(p.At).date(), QLocale::ShortFormat);
        const double width = metrics.horizontalAdvance(text);
        const double left = std::clamp(at.x() - width / 2, plot.left(), plot.right() - width);
        painter.drawText(QRectF(left, at.y() + unit * 1.2, width, metrics.height()), Qt::AlignCenter, text);
    }
    painter.restore();
}

QImage VoltageChartImage(const TVoltageSeries &series, const QSizeF &sizeMm, int dpi, const QLocale &locale)
{
    const QSize pixels(int(sizeMm.width() / 25.4 * dpi), int(sizeMm.height() / 25.4 * dpi));
    QImage image(pixels, QImage::Format_RGB32);
    image.setDotsPerMeterX(int(dpi / 0.0254));
    image.setDotsPerMeterY(int(dpi / 0.0254));
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintVoltageChart(painter, QRectF(QPointF(0, 0), QSizeF(pixels)), series, locale);
    return image;
}
