#pragma once
#include "audit/operation.h"

#include <QDateTime>
#include <QImage>
#include <QLocale>
#include <QRectF>
#include <QVector>

class QPainter;

// The power-supply voltage over a range of dates, as a chart shows it: the
// lowest and highest reading of each stretch of time, so that a year of
// events draws as quickly as a week, and the lowest readings marked.
struct TVoltagePoint {
    TWallMinute At = 0;
    double Volts = 0;
};

struct TVoltageSeries {
    TWallMinute From = 0; // the range's first minute
    TWallMinute To = 0;   // the minute after its last
    QVector<TVoltagePoint> Low;
    QVector<TVoltagePoint> High;
    QVector<TVoltagePoint> Lowest; // lowest first, at most one a day
    double Min = 0;
    double Max = 0;

    bool IsEmpty() const { return Low.isEmpty(); }
};

// From events oldest first; readings outside [from, to] are left out.
TVoltageSeries MakeVoltageSeries(const QList<type_events_record> &events, QDate from, QDate to, int stretches = 400,
                                 int marks = 5);

// The volts of a raw reading, as the event list shows them.
double EventVolts(const type_events_record &event);
// A minute as a date-time for a chart axis: the controller's wall clock,
// held as UTC so that no daylight-saving change moves it.
QDateTime WallTime(TWallMinute minute);

// Draws the chart into rect: axes with volts and dates, the low and high
// lines, the lowest readings marked with their value.
void PaintVoltageChart(QPainter &painter, const QRectF &rect, const TVoltageSeries &series,
                       const QLocale &locale = QLocale::system());
// The chart as a picture of sizeMm at dpi.
QImage VoltageChartImage(const TVoltageSeries &series, const QSizeF &sizeMm, int dpi,
                         const QLocale &locale = QLocale::system());
