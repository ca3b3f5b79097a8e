// The main window's part of the transfers and the monitoring: the upload and
// download dialogs, the manual override, the real-time window and the Event
// Log page.
#include "app/frmmain.h"

#include "config/errorhandler.h"
#include "config/messages.h"
#include "config/messageservice.h"
#include "eventlog/eventdownload.h"
#include "eventlog/eventlogfile.h"
#include "history/eventarchive.h"
#include "history/eventarchivemodel.h"
#include "history/recorder.h"
#include "monitor/fprogbar.h"
#include "monitor/frmrealtime.h"
#include "monitor/transferdialogs.h"
#include "store/datamodule.h"
#include "transfer/monitoring.h"
#include "transfer/scanpause.h"
#include "widgets/listfill.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimeEdit>
#include <QToolButton>
#include <QTreeWidget>

namespace {
const QString kSaveLogTitle = QStringLiteral("Save As");
const QString kSaveLogFilter = QStringLiteral("CSV file (*.csv)|*.csv|All Files (*.*)|*.*");
const QString kOpenLogTitle = QStringLiteral("Open");
const QString kOpenLogFilter = QStringLiteral("CSV Files (*.csv)|*.csv|All Files (*.*)|*.*");
const QString kLogExt = QStringLiteral(".csv");
}

void TfrmMain::ConnectMonitorHandlers()
{
    auto onClick = [this](QAbstractButton *button, void (TfrmMain::*handler)()) {
        connect(button, &QAbstractButton::clicked, this, [this, handler] { RunAction([&] { (this->*handler)(); }); });
    };
    onClick(btnUploadTo, &TfrmMain::btnUploadToClick);
    onClick(btnOverride, &TfrmMain::btnOverrideClick);
    onClick(btnRealTime, &TfrmMain::btnRealTimeClick);
    onClick(btnDownloadEvents, &TfrmMain::btnDownloadEventsClick);
    onClick(btnSaveLogToFile, &TfrmMain::btnSaveLogToFileClick);
    onClick(btnLoadLogFromFile, &TfrmMain::btnLoadLogFromFileClick);
    connect(cbOverrideMode, &QComboBox::currentIndexChanged, this,
            [this] { RunAction([this] { cbOverrideModeChange(); }); });
}

void TfrmMain::btnUploadToClick()
{
    const TLinkWork work(*this);
    TfULoadSettings::Instance().exec();
}

void TfrmMain::btnDownloadFromClick()
{
    const TLinkWork work(*this);
    TfDownloadSettings::Instance().exec();
}

void TfrmMain::cbOverrideModeChange()
{
    // The picker keeps its time while "Auto" has no use for it.
    cbScheduleTimeOn->setEnabled(cbOverrideMode->currentIndex() > 0);
}

void TfrmMain::btnOverrideClick()
{
    const TLinkWork work(*this);
    const quint8 mode = quint8(qMax(0, cbOverrideMode->currentIndex()));
    TRecordedAction record(IdentifiedController(), THistoryRegister::Override,
                           OverrideOptions(mode, cbScheduleTimeOn->time()));
    record.Run([&] {
        if (!SendOverride(mode, cbScheduleTimeOn->time()))
            record.SetOutcome(QString::fromUtf8(Msg::OverrideNotSet));
    });
}

void TfrmMain::btnRealTimeClick()
{
    // The window polls the controller itself, and a step may still be
    // waiting for its reply after the operator has closed it.
    const TLinkWork work(*this);
    const TScanPause pause;
    TfrmRealTime::Instance().exec();
}

void TfrmMain::btnDownloadEventsClick()
{
    TfProgBar &progress = TfProgBar::Instance();
    progress.Start(this);
    QCoreApplication::processEvents();
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    TEventLogDownload download;
    TActionTarget target;
    {
        // The progress window is not modal: what else would use the line
        // waits until the download ends.
        const TLinkWork work(*this);
        target = IdentifiedController();
        const auto release = qScopeGuard([&progress] {
            progress.Finish();
            QGuiApplication::restoreOverrideCursor();
        });
        download = DownloadEventLog([&progress](int slot) {
            progress.pbProgBar->setValue(slot);
            QCoreApplication::processEvents(); // where Abort is seen
            return !progress.Aborted();
        });
    }
    History().RecordEventDownload(target, download);
    if (download.Aborted)
        return; // the list keeps what it showed, and nothing more is said
    // A download that failed before reading anything leaves the list as it was.
    if (!download.Rows.isEmpty() || download.Complete()) {
        FillListView(lvEvents, {download.Rows, -1});
        ShowEventList();
    }
    if (download.Complete())
        return;
    if (download.Error.isEmpty() && !download.StoppedAnswering)
        Messages().Warning(download.Problem()); // a few slots unread, the rest listed
    else
        Messages().Error(download.Problem());
}

void TfrmMain::btnSaveLogToFileClick()
{
    const QString fileName = Messages().SaveFileName(kSaveLogTitle, kSaveLogFilter, kLogExt, QString());
    if (fileName.isEmpty())
        return;
    // An empty list writes nothing, leaving a file of that name as it was;
    // an archive is written as it is read.
    if (ArchiveModel)
        SaveArchiveFile(TEventArchive(DM()), ArchiveModel->Serial(), fileName);
    else
        SaveEventLogFile(fileName, ListViewRows(lvEvents));
}

void TfrmMain::btnLoadLogFromFileClick()
{
    const QString fileName = Messages().OpenFileName(kOpenLogTitle, kOpenLogFilter, kLogExt);
    if (fileName.isEmpty())
        return;
    // A file that cannot be read leaves the rows as they were; a bad line
    // leaves those loaded before it. Either way the list shows them. An
    // archive shown stays when nothing could be read.
    const bool archiveShown = ArchiveModel != nullptr;
    QList<TListItem> rows = archiveShown ? QList<TListItem>() : ListViewRows(lvEvents);
    const auto show = qScopeGuard([this, &rows, archiveShown] {
        if (archiveShown && rows.isEmpty())
            return;
        FillListView(lvEvents, {rows, -1});
        ShowEventList();
    });
    LoadEventLogFile(fileName, rows);
}
