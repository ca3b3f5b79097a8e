#include "pages/frmcalendarrec.h"

#include "config/exceptions.h"
#include "config/messages.h"
#include "config/messageservice.h"
#include "pages/pagewidgets.h"
#include "pages/recordid.h"
#include "store/convprocs.h"
#include "store/localetext.h"
#include "widgets/namefilter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// The pickers reach far past the last day the beacon keeps, so that a stored
// record always shows as it is; saving refuses one the beacon cannot keep.
QDateEdit *newDatePicker(const QString &name, QWidget *parent)
{
    auto *picker = new QDateEdit(parent);
    picker->setObjectName(name);
    picker->setCalendarPopup(true);
    picker->setMinimumDate(DayNumToDate(0));
    return picker;
}
}

TfrmCalendarRec::TfrmCalendarRec(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmCalendarRec"));
    setWindowTitle(QStringLiteral("Calendar Record"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    edtName = new QLineEdit(this);
    edtName->setObjectName(QStringLiteral("edtName"));
    fNameFilter = new TNameFilter(edtName, MaxNameLength);
    dtpHoliday = newDatePicker(QStringLiteral("dtpHoliday"), this);
    cbUseRange = new QCheckBox(QStringLiteral("Range End Date:"), this);
    cbUseRange->setObjectName(QStringLiteral("cbUseRange"));
    dtpHolidayEnd = newDatePicker(QStringLiteral("dtpHolidayEnd"), this);
    cbScheduleDays = new QComboBox(this);
    cbScheduleDays->setObjectName(QStringLiteral("cbScheduleDays"));
    for (const char *mode : Msg::DayModeNames)
        cbScheduleDays->addItem(QString::fromUtf8(mode));
    btnSave = new QPushButton(QStringLiteral("Save"), this);
    btnSave->setObjectName(QStringLiteral("btnSave"));
    btnSave->setDefault(true);
    BtnClose = new QPushButton(QStringLiteral("Cancel"), this);
    BtnClose->setObjectName(QStringLiteral("BtnClose"));

    auto *fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("Name:"), this), 0, 0, 1, 2);
    fields->addWidget(edtName, 1, 0, 1, 2);
    fields->addWidget(new QLabel(QStringLiteral("Holiday/Special Date:"), this), 2, 0);
    fields->addWidget(dtpHoliday, 3, 0);
    fields->addWidget(cbUseRange, 2, 1);
    fields->addWidget(dtpHolidayEnd, 3, 1);
    fields->addWidget(new QLabel(QStringLiteral("Use Day Mode:"), this), 4, 0, 1, 2);
    fields->addWidget(cbScheduleDays, 5, 0, 1, 2);
    fields->setHorizontalSpacing(12);
    fields->setColumnMinimumWidth(0, 150);
    fields->setColumnMinimumWidth(1, 150);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnSave);
    buttons->addWidget(BtnClose);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cbUseRange, &QCheckBox::toggled, this, &TfrmCalendarRec::cbUseRangeClick);
    connect(btnSave, &QPushButton::clicked, this, &TfrmCalendarRec::btnSaveClick);
    connect(BtnClose, &QPushButton::clicked, this, &TfrmCalendarRec::BtnCloseClick);

    InitControls();
}

void TfrmCalendarRec::InitControls()
{
    edtName->clear();
    dtpHoliday->setDate(QDate::currentDate());
    dtpHolidayEnd->setDate(QDate::currentDate());
    cbUseRange->setChecked(false);
    cbUseRangeClick();
    cbScheduleDays->setCurrentIndex(6);
}

void TfrmCalendarRec::ShowRecord(const TCalendarRec &rec)
{
    fNameFilter->ShowName(rec.name);
    const QDate start = DayNumToDate(rec.DayNum);
    dtpHoliday->setDate(start);
    dtpHolidayEnd->setDate(start.addDays(rec.Days - 1));
    cbUseRange->setChecked(rec.Days > 1);
    cbUseRangeClick();
    // A mode the list does not hold (above 9, from the beacon or a file)
    // shows no selection and is kept unless the operator picks one.
    cbScheduleDays->setCurrentIndex(rec.DayMode < cbScheduleDays->count() ? rec.DayMode : -1);
}

void TfrmCalendarRec::UpdateRecord(TCalendarRec &rec) const
{
    rec.name = edtName->text();
    rec.DayNum = int(DayNumToDate(0).daysTo(dtpHoliday->date()));
    rec.Days = cbUseRange->isChecked() ? int(dtpHoliday->date().daysTo(dtpHolidayEnd->date())) + 1 : 1;
    if (cbScheduleDays->currentIndex() >= 0)
        rec.DayMode = quint8(cbScheduleDays->currentIndex());
}

void TfrmCalendarRec::GetRecord(TCalendarRec &rec, const TCalendar &owner) const
{
    UpdateRecord(rec);
    if (rec.id == 0) {
        QSet<int> taken;
        for (int i = 0; i < owner.Count(); ++i)
            taken.insert(owner.Records(i).id);
        rec.id = DrawRecordId(taken);
    }
}

void TfrmCalendarRec::btnSaveClick()
{
    const bool range = cbUseRange->isChecked();
    const qint64 days = range ? dtpHoliday->date().daysTo(dtpHolidayEnd->date()) + 1 : 1;
    const QDate lastDay = DayNumToDate(LastDayNum);
    if (days < 1)
        Messages().Error(QString::fromUtf8(Msg::CheckDateRange));
    else if (days > MaxDays)
        Messages().Error(QString::fromUtf8(Msg::CalendarRangeTooLong));
    else if ((range ? dtpHolidayEnd : dtpHoliday)->date() > lastDay)
        Messages().Error(Fmt(Msg::CalendarEndTooLate, DateToText(lastDay, QLocale())));
    else
        accept();
}

void TfrmCalendarRec::BtnCloseClick()
{
    reject();
}

void TfrmCalendarRec::cbUseRangeClick()
{
    dtpHolidayEnd->setEnabled(cbUseRange->isChecked());
}

void TfrmCalendarRec::showEvent(QShowEvent *event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TfrmCalendarRec::FormShow()
{
    const QString format = ShortDateFormat(QLocale());
    dtpHoliday->setDisplayFormat(format);
    dtpHolidayEnd->setDisplayFormat(format);
    CentreOnScreen(this);
}
