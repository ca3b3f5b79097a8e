#pragma once
#include "audit/voltagechart.h"

#include <QChartView>

// The power-supply voltage of a range as a chart: the lowest and highest
// reading of each stretch of time, the lowest readings marked.
class TVoltageChartView : public QChartView {
    Q_OBJECT
public:
    explicit TVoltageChartView(QWidget *parent = nullptr);
    void SetSeries(const TVoltageSeries &series);
};
