#include "widgets/voltagechartview.h"

#include <QChart>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>
#include <cmath>

namespace {
// The date axis shows local time: the controller's wall clock read as such.
QDateTime AxisTime(TWallMinute minute)
{
    const QDateTime wall = WallTime(minute);
    return QDateTime(wall.date(), wall.time(), Qt::LocalTime);
}
}

TVoltageChartView::TVoltageChartView(QWidget *parent) : QChartView(parent)
{
    setObjectName(QStringLiteral("chartVoltage"));
    setRenderHint(QPainter::Antialiasing);
    chart()->legend()->setAlignment(Qt::AlignRight);
    chart()->setMargins(QMargins(2, 2, 2, 2));
    SetSeries({});
}

void TVoltageChartView::SetSeries(const TVoltageSeries &series)
{
    QChart *c = chart();
    c->removeAllSeries();
    for (QAbstractAxis *axis : c->axes())
        c->removeAxis(axis);
    c->setTitle(series.IsEmpty() ? QStringLiteral("Power Supply: no readings") : QStringLiteral("Power Supply"));
    if (series.IsEmpty())
        return;
    const auto fill = [](QXYSeries *xy, const QVector<TVoltagePoint> &points) {
        for (const TVoltagePoint &p : points)
            xy->append(double(AxisTime(p.At).toMSecsSinceEpoch()), p.Volts);
    };
    auto *high = new QLineSeries;
    high->setName(QStringLiteral("Highest"));
    fill(high, series.High);
    auto *low = new QLineSeries;
    low->setName(QStringLiteral("Lowest"));
    fill(low, series.Low);
    auto *marks = new QScatterSeries;
    marks->setName(QStringLiteral("Lowest readings"));
    marks->setColor(QColor(220, 30, 30));
    marks->setMarkerSize(9);
    fill(marks, series.Lowest);
    marks->setPointLabelsVisible(true);
    marks->setPointLabelsFormat(QStringLiteral("@yPoint V"));
    marks->setPointLabelsClipping(false);
    for (QXYSeries *xy : {static_cast<QXYSeries *>(high), static_cast<QXYSeries *>(low), static_cast<QXYSeries *>(marks)})
        c->addSeries(xy);

    auto *time = new QDateTimeAxis;
    time->setFormat(QStringLiteral("dd/MM/yy"));
    time->setRange(AxisTime(series.From), AxisTime(series.To));
    auto *volts = new QValueAxis;
    volts->setRange(std::floor(series.Min - 0.5), std::ceil(series.Max + 0.5));
    volts->setLabelFormat(QStringLiteral("%.1f V"));
    c->addAxis(time, Qt::AlignBottom);
    c->addAxis(volts, Qt::AlignLeft);
    for (QAbstractSeries *s : c->series()) {
        s->attachAxis(time);
        s->attachAxis(volts);
    }
}
