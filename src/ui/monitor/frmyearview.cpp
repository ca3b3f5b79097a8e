#include "monitor/frmyearview.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
// The colours of what a date follows; a date without flashing is dark
// whatever it follows, unless a calendar record put it there.
struct TShade {
    const char *name;
    QColor colour;
};
const TShade Shades[] = {
    {"Normal", QColor(0x9c, 0xd6, 0x8a)},       {"Dark", QColor(0x9a, 0x9a, 0x9a)},
    {"Substitute weekday", QColor(0x8a, 0xb6, 0xe6)}, {"Special Day Mode #1", QColor(0xf2, 0xb8, 0x5c)},
    {"Special Day Mode #2", QColor(0xd5, 0x9c, 0xe0)}, {"Special Day Mode #3", QColor(0x6c, 0xcc, 0xc4)},
};

int ShadeOf(const TPlanDay &day)
{
    switch (day.kind) {
    case TPlanKind::Substitute:
        return 2;
    case TPlanKind::Special1:
        return 3;
    case TPlanKind::Special2:
        return 4;
    case TPlanKind::Special3:
        return 5;
    default:
        return day.on.isEmpty() ? 1 : 0;
    }
}

constexpr int Cell = 24;
constexpr int Header = 2 * 18;
}

// One month of the plan: a title, the weekday letters and up to six weeks.
class TMonthGrid : public QWidget {
public:
    TMonthGrid(TfrmYearView *view, int month) : QWidget(view), fView(view), fMonth(month)
    {
        setMouseTracking(true);
        setFixedSize(7 * Cell + 1, Header + 6 * Cell + 1);
    }
protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        const TPlan &plan = fView->Plan();
        if (plan.days.isEmpty())
            return;
        const QDate first(plan.from.year(), fMonth, 1);
        p.drawText(QRect(0, 0, width(), 18), Qt::AlignCenter, QLocale().standaloneMonthName(fMonth));
        static const char *letters = "MTWTFSS";
        for (int c = 0; c < 7; ++c)
            p.drawText(QRect(c * Cell, 18, Cell, 18), Qt::AlignCenter, QString(QLatin1Char(letters[c])));
        const int lead = first.dayOfWeek() - 1;
        for (int d = 0; d < first.daysInMonth(); ++d) {
            const QDate date = first.addDays(d);
            const TPlanDay &day = plan.days.at(int(plan.from.daysTo(date)));
            const QRect r = CellRect(lead + d);
            p.fillRect(r, Shades[ShadeOf(day)].colour);
            p.setPen(date == fSelected ? QPen(Qt::black, 2) : QPen(Qt::white));
            p.drawRect(r);
            p.setPen(Qt::black);
            p.drawText(r, Qt::AlignCenter, QString::number(date.day()));
            if (!WarningsOn(plan, date).isEmpty()) { // a red corner
                const QPoint corner = r.topRight();
                p.setBrush(QColor(0xd0, 0x20, 0x20));
                p.setPen(Qt::NoPen);
                p.drawPolygon(QPolygon({corner, corner + QPoint(-8, 0), corner + QPoint(0, 8)}));
                p.setBrush(Qt::NoBrush);
            }
        }
    }
    void mouseMoveEvent(QMouseEvent *event) override
    {
        const QDate date = DateAt(event->position().toPoint());
        if (date.isValid())
            fView->ShowDate(date);
    }
    void mousePressEvent(QMouseEvent *event) override
    {
        const QDate date = DateAt(event->position().toPoint());
        if (date.isValid())
            fView->SelectDate(date);
    }

public:
    void Select(const QDate &date)
    {
        fSelected = date;
        update();
    }

private:
    QRect CellRect(int index) const { return QRect((index % 7) * Cell, Header + (index / 7) * Cell, Cell, Cell); }
    QDate DateAt(const QPoint &pos) const
    {
        const TPlan &plan = fView->Plan();
        if (plan.days.isEmpty() || pos.y() < Header)
            return {};
        const QDate first(plan.from.year(), fMonth, 1);
        const int index = (pos.y() - Header) / Cell * 7 + pos.x() / Cell - (first.dayOfWeek() - 1);
        return index >= 0 && index < first.daysInMonth() && pos.x() < 7 * Cell ? first.addDays(index) : QDate();
    }

    TfrmYearView *fView;
    int fMonth;
    QDate fSelected;
};

TfrmYearView::TfrmYearView(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmYearView"));
    edtYear = new QSpinBox(this);
    edtYear->setObjectName(QStringLiteral("edtYear"));
    edtYear->setRange(2011, 2188); // the dates a calendar record's day number reaches
    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Year:"), this));
    top->addWidget(edtYear);
    top->addSpacing(16);
    for (const TShade &shade : Shades) {
        auto *swatch = new QLabel(this);
        swatch->setFixedSize(14, 14);
        swatch->setStyleSheet(QStringLiteral("background: %1; border: 1px solid gray;").arg(shade.colour.name()));
        top->addWidget(swatch);
        top->addWidget(new QLabel(QString::fromUtf8(shade.name), this));
        top->addSpacing(6);
    }
    top->addStretch(1);

    auto *grids = new QGridLayout;
    grids->setSpacing(14);
    for (int month = 1; month <= 12; ++month) {
        auto *grid = new TMonthGrid(this, month);
        grid->setObjectName(QStringLiteral("month%1").arg(month));
        fMonths << grid;
        grids->addWidget(grid, (month - 1) / 4, (month - 1) % 4);
    }
    lblDetails = new QLabel(this);
    lblDetails->setObjectName(QStringLiteral("lblDetails"));
    lblDetails->setTextFormat(Qt::PlainText);
    lblDetails->setWordWrap(true);
    lblDetails->setMinimumHeight(4 * fontMetrics().height());
    lblDetails->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    lbWarnings = new QListWidget(this);
    lbWarnings->setObjectName(QStringLiteral("lbWarnings"));
    lbWarnings->setMinimumWidth(320);
    connect(lbWarnings, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row < fPlan.warnings.size())
            ShowDate(fPlan.warnings.at(row).date);
    });
    auto *right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("Warnings:"), this));
    right->addWidget(lbWarnings, 1);
    right->addWidget(lblDetails);
    auto *middle = new QHBoxLayout;
    middle->addLayout(grids);
    middle->addLayout(right, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle, 1);
    connect(edtYear, &QSpinBox::valueChanged, this, [this] { MakePlanOfYear(); });
}

void TfrmYearView::ShowPlan(const TBeaconConfiguration &config, const QString &title, int year, QDate today)
{
    fConfig = config;
    fToday = today;
    setWindowTitle(QStringLiteral("Preview the Year: %1").arg(title));
    const QSignalBlocker quiet(edtYear);
    edtYear->setValue(year);
    MakePlanOfYear();
}

void TfrmYearView::MakePlanOfYear()
{
    const int year = edtYear->value();
    fPlan = MakePlan(fConfig, QDate(year, 1, 1), QDate(year, 12, 31), fToday);
    lbWarnings->clear();
    for (const TPlanWarning &w : fPlan.warnings)
        lbWarnings->addItem(QLocale().toString(w.date, QLocale::ShortFormat) + QStringLiteral(": ") + w.text);
    ShowDate(fToday.year() == year ? fToday : QDate(year, 1, 1));
    for (TMonthGrid *grid : fMonths)
        grid->update();
}

void TfrmYearView::SelectDate(QDate date)
{
    for (TMonthGrid *grid : fMonths)
        grid->Select(date);
    ShowDate(date);
}

void TfrmYearView::ShowDate(QDate date)
{
    if (fPlan.days.isEmpty() || date < fPlan.from || date > fPlan.to)
        return;
    lblDetails->setText(PlanDayDetails(fPlan, fPlan.days.at(int(fPlan.from.daysTo(date))), fConfig.Calendar,
                                       QLocale()));
}
