// The main window's part of the reports: "Print Configuration" on the Manage
// Beacons page, "Print" and "Save to PDF" on the Event Log page.
#include "app/frmmain.h"

#include "config/errorhandler.h"
#include "history/eventarchive.h"
#include "history/eventarchivemodel.h"
#include "monitor/frmreport.h"
#include "pages/childadvanced.h"
#include "store/datamodule.h"
#include "widgets/listfill.h"

#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>

namespace {
// The report window reads the pages afresh at every build, so a report shows
// them as they are when it is built.
void SetReportSources(TfrmMain &window, TfrmReport &form)
{
    form.Sources.Settings = [&window] { return window.AdvancedSettingsPage->Settings(); };
    form.Sources.Events = [&window] {
        const TEventArchiveModel *archive = window.ArchiveModel;
        return archive ? EventRows(TEventArchive(DM()).Events(archive->Serial())) : ListViewRows(window.lvEvents);
    };
}
}

void TfrmMain::ConnectReportHandlers()
{
    for (QPushButton *button : {Button2, btnPrintLog})
        connect(button, &QPushButton::clicked, this, [this, button] { RunAction([&] { Button2Click(button); }); });
    connect(Button5, &QPushButton::clicked, this, [this] { RunAction([this] { Button5Click(); }); });
}

void TfrmMain::Button2Click(QObject *sender)
{
    TfrmReport &form = TfrmReport::Instance();
    SetReportSources(*this, form);
    if (sender && sender->objectName() == QLatin1String("btnPrintLog")) {
        form.setWindowTitle(QStringLiteral("Event Log"));
        form.ShowReport(form.frxReportLog);
    } else {
        form.setWindowTitle(QStringLiteral("Configuration report"));
        form.ShowReport(form.frxReport);
    }
    // Opened at its first page, not where the operator last scrolled.
    form.frxPreview->verticalScrollBar()->setValue(0);
    form.show();
    form.raise();
    form.activateWindow();
}

void TfrmMain::Button5Click()
{
    TfrmReport &form = TfrmReport::Instance();
    SetReportSources(*this, form);
    form.ExportReport(form.frxReportLog);
}
