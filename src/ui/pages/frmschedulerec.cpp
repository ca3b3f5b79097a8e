#include "pages/frmschedulerec.h"

#include "config/exceptions.h"
#include "config/messages.h"
#include "config/messageservice.h"
#include "pages/pagewidgets.h"
#include "pages/recordid.h"
#include "store/convprocs.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {
const int kDays = 7;
const quint8 kSpecialDay = 0x80;

int minutesOf(const QTime &time)
{
    return time.hour() * 60 + time.minute();
}

QTimeEdit *newTimePicker(const QString &name, QWidget *parent)
{
    auto *picker = new QTimeEdit(parent);
    picker->setObjectName(name);
    picker->setDisplayFormat(QStringLiteral("HH:mm"));
    return picker;
}
}

TfrmScheduleRec::TfrmScheduleRec(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmScheduleRec"));
    setWindowTitle(QStringLiteral("Schedule Record"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    cbDayMode = new QComboBox(this);
    cbDayMode->setObjectName(QStringLiteral("cbDayMode"));
    cbDayMode->addItems({QStringLiteral("Every day"), QStringLiteral("Weekdays"), QStringLiteral("Weekend"),
                         QStringLiteral("Selected Days"), QStringLiteral("Special Day Mode #1"),
                         QStringLiteral("Special Day Mode #2"), QStringLiteral("Special Day Mode #3")});
    cbScheduleTimeOn = newTimePicker(QStringLiteral("cbScheduleTimeOn"), this);
    cbScheduleTimeOff = newTimePicker(QStringLiteral("cbScheduleTimeOff"), this);

    cbScheduleDays = new QListWidget(this);
    cbScheduleDays->setObjectName(QStringLiteral("cbScheduleDays"));
    for (const char *day : {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"}) {
        auto *item = new QListWidgetItem(QString::fromLatin1(day), cbScheduleDays);
        item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
        item->setCheckState(Qt::Unchecked);
    }
    cbScheduleDays->setFixedHeight(cbScheduleDays->sizeHintForRow(0) * kDays + 2 * cbScheduleDays->frameWidth());
    cbScheduleDays->setFixedWidth(150);
    btnCheckDays = new QPushButton(QStringLiteral("Select All"), this);
    btnCheckDays->setObjectName(QStringLiteral("btnCheckDays"));
    btnUncheckDays = new QPushButton(QStringLiteral("Unselect All"), this);
    btnUncheckDays->setObjectName(QStringLiteral("btnUncheckDays"));
    btnSave = new QPushButton(QStringLiteral("Save"), this);
    btnSave->setObjectName(QStringLiteral("btnSave"));
    btnSave->setDefault(true);
    BtnClose = new QPushButton(QStringLiteral("Cancel"), this);
    BtnClose->setObjectName(QStringLiteral("BtnClose"));

    auto *fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("Day Mode:"), this), 0, 0);
    fields->addWidget(cbDayMode, 1, 0);
    fields->addWidget(new QLabel(QStringLiteral("Beacon ON Time:"), this), 2, 0);
    fields->addWidget(cbScheduleTimeOn, 3, 0);
    fields->addWidget(new QLabel(QStringLiteral("Beacon OFF Time:"), this), 4, 0);
    fields->addWidget(cbScheduleTimeOff, 5, 0);
    fields->setRowStretch(6, 1);
    fields->addWidget(new QLabel(QStringLiteral("Week Day:"), this), 0, 1);
    fields->addWidget(cbScheduleDays, 1, 1, 6, 1, Qt::AlignTop);
    auto *dayButtons = new QVBoxLayout;
    dayButtons->addWidget(btnCheckDays);
    dayButtons->addWidget(btnUncheckDays);
    dayButtons->addStretch(1);
    fields->addLayout(dayButtons, 1, 2, 6, 1);
    fields->setHorizontalSpacing(12);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnSave);
    buttons->addWidget(BtnClose);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cbDayMode, &QComboBox::currentIndexChanged, this, &TfrmScheduleRec::cbDayModeChange);
    connect(btnCheckDays, &QPushButton::clicked, this, [this] { btnCheckDaysClick(btnCheckDays); });
    connect(btnUncheckDays, &QPushButton::clicked, this, [this] { btnCheckDaysClick(btnUncheckDays); });
    connect(btnSave, &QPushButton::clicked, this, &TfrmScheduleRec::btnSaveClick);
    connect(BtnClose, &QPushButton::clicked, this, &TfrmScheduleRec::BtnCloseClick);

    InitControls();
}

void TfrmScheduleRec::InitControls()
{
    {
        const QSignalBlocker quiet(cbDayMode);
        cbDayMode->setCurrentIndex(Weekdays);
    }
    cbDayModeChange();
    cbScheduleTimeOn->setTime(QTime(0, 0));
    cbScheduleTimeOff->setTime(QTime(0, 0));
}

void TfrmScheduleRec::ShowRecord(const TScheduleRec &rec)
{
    const QSignalBlocker quiet(cbDayMode);
    SetAllDays(false);
    int lowestDay = 0;
    while (lowestDay < kDays && !(rec.RecDay & (1 << lowestDay)))
        ++lowestDay;
    if ((rec.RecDay & kSpecialDay) && lowestDay <= 2) {
        EnableDayList(false);
        cbDayMode->setCurrentIndex(SpecialDayMode1 + lowestDay);
    } else if (rec.RecDay & kSpecialDay) {
        // A special byte without a mode the editor knows: shown as a choice
        // still to be made, so that Save cannot turn it silently into another
        // mode or into a record without days.
        EnableDayList(true);
        cbDayMode->setCurrentIndex(SelectedDays);
    } else {
        EnableDayList(true);
        cbDayMode->setCurrentIndex(SelectedDays);
        for (int day = 0; day < kDays; ++day)
            cbScheduleDays->item(day)->setCheckState(rec.RecDay & (1 << day) ? Qt::Checked : Qt::Unchecked);
    }
    cbScheduleTimeOn->setTime(MinutesToDateTime(rec.RecOnTime));
    cbScheduleTimeOff->setTime(MinutesToDateTime(rec.RecOffTime));
}

void TfrmScheduleRec::UpdateRecord(TScheduleRec &rec) const
{
    const int mode = cbDayMode->currentIndex();
    if (mode >= SpecialDayMode1) {
        rec.RecDay = quint8(kSpecialDay | (1 << (mode - SpecialDayMode1)));
    } else {
        rec.RecDay = 0;
        for (int day = 0; day < kDays; ++day)
            if (cbScheduleDays->item(day)->checkState() == Qt::Checked)
                rec.RecDay |= quint8(1 << day);
    }
    rec.RecOnTime = minutesOf(cbScheduleTimeOn->time());
    rec.RecOffTime = minutesOf(cbScheduleTimeOff->time());
}

void TfrmScheduleRec::GetRecord(TScheduleRec &rec, const TSchedule &owner) const
{
    UpdateRecord(rec);
    if (rec.id == 0) {
        QSet<int> taken;
        for (int i = 0; i < owner.Count(); ++i)
            taken.insert(owner.Records(i).id);
        rec.id = DrawRecordId(taken);
    }
}

void TfrmScheduleRec::btnSaveClick()
{
    // Both checks always run, so the operator learns of every fault at once.
    bool valid = true;
    if (minutesOf(cbScheduleTimeOff->time()) <= minutesOf(cbScheduleTimeOn->time())) {
        Messages().Error(QString::fromUtf8(Msg::CheckTimeRange));
        valid = false;
    }
    if (cbDayMode->currentIndex() == SelectedDays) {
        bool anyDay = false;
        for (int day = 0; day < kDays; ++day)
            anyDay = anyDay || cbScheduleDays->item(day)->checkState() == Qt::Checked;
        if (!anyDay) {
            Messages().Error(QString::fromUtf8(Msg::SelectOneDay));
            valid = false;
        }
    }
    if (valid)
        accept();
}

void TfrmScheduleRec::BtnCloseClick()
{
    reject();
}

void TfrmScheduleRec::cbDayModeChange()
{
    SetAllDays(false);
    EnableDayList(false);
    switch (cbDayMode->currentIndex()) {
    case EveryDay:
        SetAllDays(true);
        break;
    case Weekdays:
        for (int day = 0; day < 5; ++day)
            cbScheduleDays->item(day)->setCheckState(Qt::Checked);
        break;
    case Weekend:
        cbScheduleDays->item(5)->setCheckState(Qt::Checked);
        cbScheduleDays->item(6)->setCheckState(Qt::Checked);
        break;
    case SelectedDays:
        EnableDayList(true);
        break;
    }
}

void TfrmScheduleRec::btnCheckDaysClick(QObject *sender)
{
    SetAllDays(sender == btnCheckDays);
}

void TfrmScheduleRec::showEvent(QShowEvent *event)
{
    CentreOnScreen(this);
    QDialog::showEvent(event);
}

void TfrmScheduleRec::SetAllDays(bool checked)
{
    for (int day = 0; day < kDays; ++day)
        cbScheduleDays->item(day)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void TfrmScheduleRec::EnableDayList(bool enabled)
{
    cbScheduleDays->setEnabled(enabled);
    btnCheckDays->setEnabled(enabled);
    btnUncheckDays->setEnabled(enabled);
}
