#include "pages/frmcalendarimport.h"

#include "config/cp1252.h"
#include "config/exceptions.h"
#include "config/messages.h"
#include "config/messageservice.h"
#include "pages/pagewidgets.h"
#include "store/calendar.h"
#include "store/convprocs.h"
#include "store/localetext.h"
#include "widgets/listfill.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
template <class T> T *named(T *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QDateEdit *newDatePicker(const char *name, QWidget *parent)
{
    auto *picker = named(new QDateEdit(parent), name);
    picker->setCalendarPopup(true);
    picker->setMinimumDate(DayNumToDate(0));
    picker->setDisplayFormat(ShortDateFormat(QLocale()));
    return picker;
}
}

TfrmCalendarImport::TfrmCalendarImport(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmCalendarImport"));
    setWindowTitle(QString::fromUtf8(Msg::ImportTitle));
    edtName = named(new QLineEdit(this), "edtName");
    dtpFrom = newDatePicker("dtpFrom", this);
    dtpTo = newDatePicker("dtpTo", this);
    cbDayMode = named(new QComboBox(this), "cbDayMode");
    for (const char *mode : Msg::DayModeNames)
        cbDayMode->addItem(QString::fromUtf8(mode));
    cbDayMode->setCurrentIndex(TImportOptions().dayMode);
    edtOnly = named(new QLineEdit(this), "edtOnly");
    edtOnly->setPlaceholderText(QStringLiteral("every event"));
    lvRecords = NewReportList(QStringLiteral("lvRecords"),
                              {"Name", "Date From", "Date To", "Duration", "Substitute"}, {130, 95, 95, 75, 120}, this);
    lvNotes = NewReportList(QStringLiteral("lvNotes"), {"What", "Date", "Details"}, {80, 95, 300}, this);
    lblStatus = named(new QLabel(this), "lblStatus");
    lblStatus->setWordWrap(true);
    btnImport = named(new QPushButton(QStringLiteral("Import"), this), "btnImport");
    btnImport->setDefault(true);
    btnCancel = named(new QPushButton(QStringLiteral("Cancel"), this), "btnCancel");

    auto *range = new QHBoxLayout;
    range->addWidget(dtpFrom);
    range->addWidget(new QLabel(QStringLiteral("to"), this));
    range->addWidget(dtpTo);
    range->addStretch(1);
    auto *fields = new QFormLayout;
    fields->addRow(QStringLiteral("Calendar Name:"), edtName);
    fields->addRow(QStringLiteral("Dates:"), range);
    fields->addRow(QStringLiteral("Use Day Mode:"), cbDayMode);
    fields->addRow(QStringLiteral("Only Events Containing:"), edtOnly);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnImport);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(new QLabel(QStringLiteral("Records to import:"), this));
    layout->addWidget(lvRecords, 3);
    layout->addWidget(lblStatus);
    layout->addWidget(new QLabel(QStringLiteral("Skipped, merged and shortened:"), this));
    layout->addWidget(lvNotes, 2);
    layout->addLayout(buttons);
    resize(760, 620);

    connect(dtpFrom, &QDateEdit::dateChanged, this, [this] { Preview(false); });
    connect(dtpTo, &QDateEdit::dateChanged, this, [this] { Preview(false); });
    connect(cbDayMode, &QComboBox::currentIndexChanged, this, [this] { Preview(false); });
    // A new text may start the file's own range elsewhere.
    connect(edtOnly, &QLineEdit::textChanged, this, [this] { Preview(true); });
    connect(btnImport, &QPushButton::clicked, this, &TfrmCalendarImport::btnImportClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool TfrmCalendarImport::Execute(const TSchoolCalendarFile &file, const QString &fileName)
{
    fFile = &file;
    edtName->setText(Cp1252::NameText(file.Name().isEmpty() ? QFileInfo(fileName).completeBaseName() : file.Name()));
    Preview(true);
    const bool accepted = exec() == QDialog::Accepted;
    fFile = nullptr;
    return accepted;
}

QString TfrmCalendarImport::CalendarName() const
{
    return Cp1252::NameText(edtName->text());
}

void TfrmCalendarImport::Preview(bool ownRange)
{
    if (fFilling || !fFile)
        return;
    TImportOptions options;
    if (!ownRange) {
        options.from = dtpFrom->date();
        options.to = dtpTo->date();
    }
    options.dayMode = quint8(cbDayMode->currentIndex());
    options.only = edtOnly->text().trimmed();
    try {
        fResult = fFile->Import(options);
    } catch (const Exception &e) {
        fResult = {};
        lvRecords->clear();
        lvNotes->clear();
        lblStatus->setText(e.Message());
        btnImport->setEnabled(false);
        return;
    }
    if (ownRange) {
        fFilling = true;
        dtpFrom->setDate(fResult.from);
        dtpTo->setDate(fResult.to);
        fFilling = false;
    }
    TCalendar shown(QString(), 0, false);
    shown.SetRecords(fResult.records);
    FillListView(lvRecords, shown.ShowList(QLocale()));
    TListContent notes;
    const auto add = [&notes](const char *kind, const QList<TImportNote> &list) {
        for (const TImportNote &note : list)
            notes.Items << TListItem{QString::fromUtf8(kind), {DateToText(note.date, QLocale()), note.text}};
    };
    add(Msg::ImportSkipped, fResult.skipped);
    add(Msg::ImportMergedKind, fResult.merged);
    add(Msg::ImportShortened, fResult.shortened);
    FillListView(lvNotes, notes);
    if (fResult.records.isEmpty())
        lblStatus->setText(Fmt(Msg::ImportNothingInRange, DateInWords(fResult.from), DateInWords(fResult.to)));
    else if (fResult.OverLimit())
        lblStatus->setText(Fmt(Msg::ImportOverLimit, fResult.records.size(), TImportResult::MaxBeaconRecords));
    else
        lblStatus->setText(Fmt(Msg::ImportRecordCount, fResult.records.size()));
    btnImport->setEnabled(!fResult.records.isEmpty());
}

void TfrmCalendarImport::btnImportClick()
{
    const QString refusal = Cp1252::NameRefusal(edtName->text());
    if (!refusal.isEmpty()) {
        Messages().Error(refusal);
        edtName->setText(Cp1252::NameText(edtName->text()));
        return;
    }
    if (!fResult.records.isEmpty())
        accept();
}
