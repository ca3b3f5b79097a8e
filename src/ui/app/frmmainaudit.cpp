// The main window's part of the proof of operation: "Operation Report" on the
// Event Log page for the archive shown, and the voltage chart above its list.
#include "app/frmmain.h"

#include "audit/operationreport.h"
#include "config/errorhandler.h"
#include "history/eventarchive.h"
#include "history/eventarchivemodel.h"
#include "monitor/frmreport.h"
#include "store/datamodule.h"
#include "widgets/voltagechartview.h"

#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QScrollBar>
#include <optional>

namespace {
// The dates to report on; a month up to the newest archived event to begin with.
std::optional<QPair<QDate, QDate>> AskRange(QWidget *parent, const QDate &newest)
{
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("dlgOperationRange"));
    dialog.setWindowTitle(QStringLiteral("Operation Report"));
    auto *from = new QDateEdit(newest.addMonths(-1).addDays(1), &dialog);
    auto *to = new QDateEdit(newest, &dialog);
    for (QDateEdit *edit : {from, to}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    }
    from->setObjectName(QStringLiteral("dtAuditFrom"));
    to->setObjectName(QStringLiteral("dtAuditTo"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    const auto check = [=] { buttons->button(QDialogButtonBox::Ok)->setEnabled(from->date() <= to->date()); };
    QObject::connect(from, &QDateEdit::dateChanged, &dialog, check);
    QObject::connect(to, &QDateEdit::dateChanged, &dialog, check);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto *layout = new QFormLayout(&dialog);
    layout->addRow(QStringLiteral("From:"), from);
    layout->addRow(QStringLiteral("To:"), to);
    layout->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return qMakePair(from->date(), to->date());
}
}

void TfrmMain::ConnectAuditHandlers()
{
    connect(btnOperationReport, &QPushButton::clicked, this, [this] { RunAction([this] { btnOperationReportClick(); }); });
}

void TfrmMain::ShowArchiveChart(const QString &serial, const QDate &newest)
{
    const QDate from = newest.addYears(-1).addDays(1);
    QList<type_events_record> events;
    TEventArchive(DM()).ForEachEventBetween(serial, from, newest,
                                            [&events](const type_events_record &e) { events.append(e); });
    chartArchive->SetSeries(MakeVoltageSeries(events, from, newest));
    chartArchive->show();
    btnOperationReport->setEnabled(true);
}

void TfrmMain::btnOperationReportClick()
{
    if (!ArchiveModel)
        return;
    const QString serial = ArchiveModel->Serial();
    QDate newest = QDate::currentDate();
    for (const TArchivedController &c : TEventArchive(DM()).Controllers())
        if (c.Serial == serial)
            newest = c.Newest.date();
    const std::optional<QPair<QDate, QDate>> range = AskRange(this, newest);
    if (!range)
        return;
    TfrmReport &form = TfrmReport::Instance();
    form.frxReportOperation = CreateOperationReport(AuditController(DM(), serial, range->first, range->second));
    form.setWindowTitle(QStringLiteral("Operation Report"));
    form.ShowReport(form.frxReportOperation);
    form.frxPreview->verticalScrollBar()->setValue(0);
    form.show();
    form.raise();
    form.activateWindow();
}
