#pragma once
#include "plan/plan.h"

#include <QDialog>

class QLabel;
class QListWidget;
class QSpinBox;
class TMonthGrid;

// "Preview the Year": twelve month grids of a configuration's plan, each date
// coloured by what it follows, warnings marked, and the details of the date
// under the mouse or selected. Created once and reused.
class TfrmYearView : public QDialog {
    Q_OBJECT
public:
    explicit TfrmYearView(QWidget *parent);

    // Shows the plan of config for year; what is a past calendar record is
    // decided by today.
    void ShowPlan(const TBeaconConfiguration &config, const QString &title, int year, QDate today);
    // The date whose details are shown below the grids.
    void ShowDate(QDate date);
    // Marks the date in its grid and shows its details.
    void SelectDate(QDate date);

    const TPlan &Plan() const { return fPlan; }
    QSpinBox *edtYear;
    QLabel *lblDetails;
    QListWidget *lbWarnings;

private:
    void MakePlanOfYear();

    TBeaconConfiguration fConfig;
    QDate fToday;
    TPlan fPlan;
    QList<TMonthGrid *> fMonths;
};
