// Flashing plan figures: a year's plan of a full configuration (16 schedule
// and 16 calendar records, overlaps included so every warning path runs), and
// the year view opened on it until it has been painted. Prints milliseconds;
// run it on an idle machine.
#include "monitor/frmyearview.h"
#include "plan/plan.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
TBeaconConfiguration FullConfiguration()
{
    TBeaconConfiguration c;
    c.Advanced.DateDST1 = QDate(2026, 3, 8);
    c.Advanced.DateDST2 = QDate(2026, 11, 1);
    const QDate zero(2010, 1, 1);
    const quint8 special[3] = {0x81, 0x82, 0x84};
    for (int r = 0; r < 16; ++r) {
        const quint8 day = r < 13 ? quint8(1 << (r % 7)) : special[r - 13];
        c.Schedule.push_back({r, 0, day, 420 + 10 * r, 510 + 10 * r});
        c.Calendar.push_back({r, 0, QStringLiteral("HOLIDAY %1").arg(r), int(zero.daysTo(QDate(2026, 1, 5))) + 21 * r,
                              r % 3 + 1, quint8(r % 10)});
    }
    return c;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const TBeaconConfiguration config = FullConfiguration();

    std::vector<double> plans;
    int warnings = 0;
    for (int i = 0; i < 200; ++i) {
        QElapsedTimer timer;
        timer.start();
        const TPlan plan = MakePlan(config, QDate(2026, 1, 1), QDate(2026, 12, 31), QDate(2026, 1, 1));
        plans.push_back(timer.nsecsElapsed() / 1e6);
        warnings = int(plan.warnings.size());
    }
    std::printf("a year's plan, 16 + 16 records, %d warnings: median %.3f ms, best %.3f ms (target < 5 ms)\n", warnings,
                Median(plans), *std::min_element(plans.begin(), plans.end()));

    std::vector<double> opens;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer timer;
        timer.start();
        TfrmYearView view(nullptr);
        view.ShowPlan(config, QStringLiteral("bench"), 2026, QDate(2026, 1, 1));
        view.show();
        view.repaint(); // painted, not just queued
        QCoreApplication::processEvents();
        opens.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("year view opened and painted: median %.1f ms, first %.1f ms (target < 150 ms)\n", Median(opens),
                opens.front());
    return 0;
}
