// The main window's part of the history: the register's report in the status
// bar, "Compare with Beacon" and "Beacon History" on the Manage Beacons page,
// "Event Archive" and "Beacon History" on the Event Log page; "Fleet…" on Home.
#include "app/frmmain.h"

#include "app/settingsfiledialog.h"
#include "config/appconfig.h"
#include "config/errorhandler.h"
#include "config/messages.h"
#include "config/messageservice.h"
#include "history/configcompare.h"
#include "history/eventarchive.h"
#include "history/eventarchivemodel.h"
#include "history/recorder.h"
#include "link/dmcom.h"
#include "monitor/frmcomprogress.h"
#include "monitor/frmfleet.h"
#include "monitor/frmhistory.h"
#include "pages/frmitemselect.h"
#include "store/datamodule.h"
#include "widgets/navbutton.h"
#include "widgets/panelstatusbar.h"
#include "widgets/voltagechartview.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>

namespace {
const QString kOpenConfigTitle = QStringLiteral("Open");
// Long enough to be read; the status tick writes only the panels beneath it.
constexpr int kReportShownMs = 15000;
// The connection state and the serial number stay in view beside it.
constexpr int kReportFromPanel = 2;
}

void TfrmMain::ConnectHistoryHandlers()
{
    History().SetReporter(
        [this](const QString &text) { StatusBar->ShowNote(text, kReportFromPanel, kReportShownMs); });
    connect(btnCompare, &QPushButton::clicked, this, [this] { RunAction([this] { btnCompareClick(); }); });
    connect(btnEventArchive, &QPushButton::clicked, this, [this] { RunAction([this] { btnEventArchiveClick(); }); });
    connect(btnFleet, &QPushButton::clicked, this, [this] { RunAction([this] { btnFleetClick(); }); });
    for (QPushButton *button : {btnHistory, btnLogHistory})
        connect(button, &QPushButton::clicked, this, [this] { RunAction([this] { btnHistoryClick(); }); });
}

void TfrmMain::btnCompareClick()
{
    const QString fileName = Messages().OpenFileName(kOpenConfigTitle, TSettingsFileDialog::FileFilter(),
                                                      TSettingsFileDialog::FileExtension());
    if (fileName.isEmpty())
        return;
    const TConfigParts parts = FileParts(fileName);
    FileConfig(fileName, parts, {}); // a file that cannot be taken is refused before the controller is asked
    TBeaconConfig beacon;
    {
        TfrmComProgress &progress = TfrmComProgress::Instance();
        // The progress window is not modal: what else would use the line waits.
        const TLinkWork work(*this);
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        const auto release = qScopeGuard([&progress] {
            progress.close();
            QGuiApplication::restoreOverrideCursor();
        });
        progress.ShowOver(this);
        beacon = ReadBeaconConfig(progress, parts);
    }
    TCompareScope scope;
    scope.Advanced = parts.Advanced;
    scope.Schedule = parts.Schedule;
    scope.Calendar = parts.Holidays;
    QStringList lines;
    for (const TConfigDifference &difference : CompareConfigs(beacon, FileConfig(fileName, parts, beacon), scope))
        lines << FileDifferenceText(difference);
    if (lines.isEmpty())
        Messages().Information(Fmt(Msg::CompareSame, fileName));
    else
        Messages().Warning(Fmt(Msg::CompareDiffers, fileName, lines.join(u'\n')));
}

void TfrmMain::btnHistoryClick()
{
    if (!DatabaseFunctions()) {
        Messages().Error(Fmt(Msg::DbFunctionsDisabled, AppConfig().DBName()));
        return;
    }
    TfrmHistory history(*this, dmCOM().SignSerial());
    history.exec();
}

void TfrmMain::btnEventArchiveClick()
{
    if (!DatabaseFunctions()) {
        Messages().Error(Fmt(Msg::DbFunctionsDisabled, AppConfig().DBName()));
        return;
    }
    const TEventArchive archive(DM());
    QList<TArchivedController> controllers = archive.Controllers();
    if (controllers.isEmpty()) {
        Messages().Information(QString::fromUtf8(Msg::ArchiveEmpty));
        return;
    }
    // The connected controller is offered first.
    const QString connected = dmCOM().SignSerial();
    std::stable_partition(controllers.begin(), controllers.end(),
                          [&connected](const TArchivedController &c) { return c.Serial == connected; });
    QStringList entries;
    for (const TArchivedController &c : std::as_const(controllers))
        entries << Fmt(Msg::ArchiveEntry, c.Serial, c.EventCount, QLocale().toString(c.Newest, QLocale::ShortFormat));
    const std::optional<int> choice = TfrmItemSelect::Instance().Select(
        QStringLiteral("Event Archive"), QStringLiteral("Please select a Beacon:"), entries);
    if (!choice)
        return;
    ShowArchive(controllers.at(*choice).Serial);
}

bool TfrmMain::ShowArchive(const QString &serial)
{
    const TEventArchive archive(DM());
    const QList<TArchivedController> controllers = archive.Controllers();
    const auto chosen = std::find_if(controllers.begin(), controllers.end(),
                                     [&serial](const TArchivedController &c) { return c.Serial == serial; });
    if (chosen == controllers.end())
        return false;
    ShowEventList(); // lets go of an archive shown before
    ArchiveModel = new TEventArchiveModel(DM(), lvArchive);
    ArchiveModel->SetSerial(chosen->Serial);
    lvArchive->setModel(ArchiveModel);
    for (int column = 0; column < ArchiveModel->columnCount(); ++column) {
        lvArchive->setColumnWidth(column, lvEvents->columnWidth(column));
        lvArchive->setColumnHidden(column, lvEvents->isColumnHidden(column));
    }
    lvEvents->hide();
    lvArchive->show();
    lblLogSource->setText(Fmt(Msg::ArchiveShown, chosen->Serial, chosen->EventCount));
    ShowArchiveChart(chosen->Serial, chosen->Newest.date());
    btnPageNavClick(btnLog);
    return true;
}

void TfrmMain::btnFleetClick()
{
    if (!DatabaseFunctions()) {
        Messages().Error(Fmt(Msg::DbFunctionsDisabled, AppConfig().DBName()));
        return;
    }
    if (!fFleet)
        fFleet = new TfrmFleet(*this);
    fFleet->Reload();
    fFleet->exec();
}

void TfrmMain::ShowEventList()
{
    lvArchive->setModel(nullptr);
    delete ArchiveModel;
    ArchiveModel = nullptr;
    lvArchive->hide();
    chartArchive->hide();
    btnOperationReport->setEnabled(false);
    lvEvents->show();
    lblLogSource->clear();
}
