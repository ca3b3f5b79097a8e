#pragma once
#include "config/threadedtimer.h"
#include "widgets/portcombobox.h"

#include <QHash>
#include <QMainWindow>
#include <QStringList>
#include <memory>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class QTabBar;
class QTimeEdit;
class QTimer;
class QToolButton;
class QTreeView;
class QTreeWidget;
class TElidedGroupBox;
class TNavButton;
class TPageLed;
class TPanelStatusBar;
class TfrmFleet;
class TfrmHelp;
class TfrmNetworkBeacon;
class TPortWatcher;
class TCalendarList;
class TEventArchiveModel;
class TVoltageChartView;
class TScheduleList;
class TfrmYearView;
struct TBeaconConfiguration;
class TLibraryLock;
class TWindowHandover;
class TfrmChildAdvanced;
class TfrmChildCalendarList;
class TfrmChildScheduleList;

// The main window: the connection controls and six navigation buttons on the
// left, a stack of six pages of which one is shown, and a status bar. Its
// controls are public because the handlers of the pages, the link and the
// transfers reach them by name, as they do the window's page-changing
// operation.
class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget *parent = nullptr);
    ~TfrmMain() override;

    static QString DesignCaption() { return QStringLiteral("Pavoline\u00AE Beacon Control Software"); }

    // Shows the page of a navigation button and lights the LED beside it; any
    // other sender is ignored.
    void btnPageNavClick(QObject *sender);
    void TabSetSettingsClick();
    void btnBrowseDbClick();
    void BitBtn1Click();
    void btnHelpClick();
    void btnAboutClick();
    // Opens the download dialog; also what the connection switch runs when the
    // operator accepts the download offered after connecting.
    void btnDownloadFromClick();
    void btnSaveToFileClick();
    void btnLoadFromFileClick();
    // Settings files given to the program (on its command line, or by a
    // second start while this window has the library): once the window is
    // shown and the operator is in no dialog and no link work, the window
    // comes to the front on Manage Beacons and offers each file in turn in
    // "Load Settings", as "Load from File" would after the file chooser.
    void OpenSettingsFiles(const QStringList &files);

    // Transfers and monitoring (frmmainmonitor.cpp): the upload dialog, the
    // manual override, the real-time window and the Event Log page.
    void btnUploadToClick();
    void cbOverrideModeChange();
    void btnOverrideClick();
    void btnRealTimeClick();
    void btnDownloadEventsClick();
    void btnSaveLogToFileClick();
    void btnLoadLogFromFileClick();

    // The reports (frmmainreport.cpp): "Print Configuration" and the Event Log
    // page's "Print" share one handler, which tells them apart by the sender;
    // "Save to PDF" exports the event-log report without showing the window.
    void Button2Click(QObject *sender);
    void Button5Click();

    // The history (frmmainhistory.cpp): "Compare with Beacon" lists how the
    // controller differs from a settings file; "Event Archive" shows every
    // event ever downloaded from a recorded controller on the Event Log page.
    void btnCompareClick();
    void btnEventArchiveClick();
    // "Beacon History", from Manage Beacons and the Event Log page.
    void btnHistoryClick();
    // Puts lvEvents back in place of an archive shown.
    void ShowEventList();
    // Shows the controller's archive on the Event Log page; false, with
    // nothing changed, when the archive holds no event of it.
    bool ShowArchive(const QString &serial);
    // "Fleet…" on Home: the inventory with what is due (frmfleet.h).
    void btnFleetClick();
    // Proof of operation (frmmainaudit.cpp): "Operation Report" for the
    // archive shown, over dates the operator chooses; the voltage chart
    // above the archive's list, over its last year.
    void btnOperationReportClick();
    void ShowArchiveChart(const QString &serial, const QDate &newest);

    // The flashing plan (frmmainplan.cpp). "Preview the Year" on Manage
    // Beacons shows the page's configuration; on a library page, the selected
    // schedule or calendar with one of the other library chosen.
    void btnPreviewYearClick();
    void PreviewLibraryYear(bool schedules);
    // The page's configuration: the advanced settings, DeviceSchedule, DeviceCalendar.
    TBeaconConfiguration PageConfiguration() const;
    TfrmYearView &YearView();

    // The library pages' handlers (frmmainlibrary.cpp). The three buttons of a
    // page share one handler, which tells them apart by the sender; a row of
    // -1 is no row.
    void btnScheduleProc(QObject *sender);
    void lvSchedulesSelectItem(int row, bool selected);
    void lvSchedulesDblClick();
    void btnCalendarProc(QObject *sender);
    void lvCalendarsSelectItem(int row, bool selected);
    void lvCalendarsDblClick();
    // "Import School Calendar…": a library calendar from an iCalendar file,
    // after a preview of what it gives.
    void btnImportCalendarClick();

    // The link's handlers. The switch connects on the chosen port, or on the
    // port discovery finds for "Autodetect", and disconnects; the status tick
    // writes the status bar, reports a lost link and enables the buttons that
    // need a controller; the port choice remembers the port picked.
    void imgPortSwitchClick();
    void tmrInterfaceTimer();
    void cbComPortChange();
    // The switch's state (its Tag): on from a successful connection until
    // switched off or the link is lost.
    bool SwitchedOn() const { return fSwitchOn; }

    // Held by everything that works the link from this window (connecting,
    // a transfer, an override, the real-time window, the event-log download):
    // until the last one ends, the switch, the port box and the
    // link-dependent buttons are disabled, so no link work starts inside
    // another. What the status tick or a lost link decides meanwhile is
    // applied when it ends.
    class TLinkWork {
    public:
        explicit TLinkWork(TfrmMain &window);
        ~TLinkWork();
        TLinkWork(const TLinkWork &) = delete;
        TLinkWork &operator=(const TLinkWork &) = delete;

    private:
        TfrmMain &fWindow;
    };
    bool LinkWorkRunning() const { return fLinkWork > 0; }

    // Refills the port box: "Autodetect" first, then the system's ports, the
    // remembered network beacons and "Network Beacon…"; the remembered port
    // (or, with none remembered, the default port) is selected when listed,
    // else "Autodetect". A remembered address is always selected.
    void FillPortList(const QList<TPortInfo> &systemPorts);
    // While switched off, the port box follows the ports that come and go; the
    // port shown stays shown, even when it has gone.
    void UpdatePortList();
    // The help chapter of what the operator is looking at: F1 and the Help
    // button open it in the manual's window.
    QString HelpChapter() const;
    // Fixes the window's size to its design, bounded by the area available on
    // the screen (the content scrolls in what is left), and centres it there.
    void FitToScreen(const QRect &available);
    // The library lists, which the first show creates when the database opens
    // and holds a library; both null otherwise (the reduced mode).
    TCalendarList *CalendarLibrary() const { return fCalendarList.get(); }
    TScheduleList *ScheduleLibrary() const { return fScheduleList.get(); }
    bool DatabaseFunctions() const { return fCalendarList && fScheduleList; }

    // Left column
    QWidget *pnlConnection;
    TPortComboBox *cbComPort;
    // Asks for a network beacon's address when "Network Beacon…" is chosen.
    TfrmNetworkBeacon *frmNetworkBeacon;
    QToolButton *imgPortSwitch;
    QLabel *imgSwitchON;
    QLabel *imgSwitchOFF;
    QWidget *pnlNavigation;
    TNavButton *btnHome;
    TNavButton *btnSchedules;
    TNavButton *btnCalendars;
    TNavButton *btnConnectedSystem;
    TNavButton *btnLog;
    TNavButton *btnSettings;
    QLabel *imgLedOn;
    QLabel *imgLedOff;
    QLabel *imgNavDecoration;

    // Left column and pages, scrolling when the screen is smaller than the window
    QScrollArea *scrContent;

    // Pages, in page-number order
    QStackedWidget *TabControl;
    QWidget *pageHome;
    QWidget *pageConnectedSystem;
    QWidget *pageSchedules;
    QWidget *pageCalendars;
    QWidget *pageSettings;
    QWidget *pageLog;
    TPanelStatusBar *StatusBar;
    // The operator's manual, shown beside the window.
    TfrmHelp *frmHelp;

    // Home
    QPushButton *BitBtn1;
    QPushButton *btnHelp;
    QPushButton *btnAbout;
    QPushButton *btnFleet;
    QLabel *lblWebSite;

    // Manage Beacons
    QTabBar *TabSetSettings;
    QStackedWidget *TabControlSettings;
    QWidget *pageSettingsSchedule;
    QWidget *pageSettingsCalendar;
    QWidget *pageAdvancedSettings;
    QCheckBox *cbSyncRTC;
    QGroupBox *gbManualControl;
    QComboBox *cbOverrideMode;
    QTimeEdit *cbScheduleTimeOn;
    QPushButton *btnOverride;
    QPushButton *btnRealTime;
    QPushButton *Button2;
    QPushButton *btnSaveToFile;
    QPushButton *btnLoadFromFile;
    QPushButton *btnUploadTo;
    QPushButton *btnDownloadFrom;
    QPushButton *btnCompare;
    QPushButton *btnHistory;
    QPushButton *btnPreviewYear; // "Preview the Year"

    // Schedules
    QTreeWidget *lvSchedules;
    QPushButton *btnAddSchedule;
    QPushButton *btnRenameSchedule;
    QPushButton *btnDeleteSchedule;
    QPushButton *btnPreviewSchedule; // "Preview the Year"
    TElidedGroupBox *gbScheduleRecords;
    QWidget *pnlScheduleRecords;

    // Holidays & Exceptions
    QTreeWidget *lvCalendars;
    QPushButton *btnAddCalendar;
    QPushButton *btnImportCalendar;
    QPushButton *btnRenameCalendar;
    QPushButton *btnDeleteCalendar;
    QPushButton *btnPreviewCalendar; // "Preview the Year"
    TElidedGroupBox *gbCalendarRecords;
    QWidget *pnlCalendarRecords;

    // Software Settings
    QLineEdit *edtDatabaseFile;
    QToolButton *btnBrowseDb;

    // Event Log
    QTreeWidget *lvEvents;
    QPushButton *btnDownloadEvents;
    QPushButton *btnSaveLogToFile;
    QPushButton *btnLoadLogFromFile;
    QPushButton *btnPrintLog;
    QPushButton *Button5;
    QPushButton *btnEventArchive;
    QPushButton *btnLogHistory;
    QLabel *lblLogSource; // what the list shows when it is an archive
    // An archive is shown in its own list, in place of lvEvents, read as it
    // scrolls; its model exists while it is shown.
    QTreeView *lvArchive;
    TEventArchiveModel *ArchiveModel = nullptr;
    TVoltageChartView *chartArchive;
    QPushButton *btnOperationReport;

    // The five embedded pages, program-wide: created with the window, living
    // as long as it.
    TfrmChildAdvanced *AdvancedSettingsPage;
    TfrmChildScheduleList *BeaconScheduleRecords;
    TfrmChildCalendarList *BeaconCalendarRecords;
    TfrmChildScheduleList *LibraryScheduleRecords;
    TfrmChildCalendarList *LibraryCalendarRecords;

    // The status tick, every second from creation on.
    TThreadedTimer tmrInterface;

protected:
    void showEvent(QShowEvent *event) override;
    // Closing while link work runs further down the stack would leave it
    // running without a window: the window closes once the work has ended,
    // and an event-log download is aborted at once.
    void closeEvent(QCloseEvent *event) override;

private:
    void FormCreate();
    void CreateEmbeddedPages();
    void ConnectLibraryHandlers();
    void ConnectMonitorHandlers();
    void ConnectReportHandlers();
    void ConnectHistoryHandlers();
    void ConnectAuditHandlers();
    void ConnectPlanHandlers();
    void FormShow();
    void LoadLibraries();
    // notCreated: why the default library could not be made, if it was tried.
    void EnterReducedMode(const QString &notCreated);
    // The library's window lock; false, with the reason told and the window
    // closing, when another window has the library open.
    bool LockLibrary(const QString &dbName);
    void TakeGivenFiles();

    // The connection switch's steps.
    void SwitchOn();
    // Closed port, open port list, off picture, no link-dependent button.
    void EnterOffState();
    void ShowSwitchPicture(bool on);
    void SetLinkButtonsEnabled(bool enabled);
    // The switch, the port box and the link-dependent buttons, which link
    // work holds disabled; set through SetLinkControlEnabled only.
    QList<QWidget *> LinkControls() const;
    void SetLinkControlEnabled(QWidget *control, bool enabled);
    // Shows the connected port in the port box without remembering it.
    void SelectConnectedPort(const QString &port);
    // Lists a connected network beacon with its controller's serial number.
    void ShowNetworkBeaconIdentity();

    // Building the window (frmmainpages.cpp)
    QWidget *BuildLeftColumn();
    QWidget *BuildConnectionPanel();
    QWidget *BuildNavigationPanel();
    QWidget *BuildHomePage();
    QWidget *BuildConnectedSystemPage();
    QWidget *BuildLibraryPage(bool schedules);
    QWidget *BuildSettingsPage();
    QWidget *BuildLogPage();
    void SetTabOrder();
    void ConnectHandlers();

    QList<TPageLed *> fLeds;
    TPortWatcher *fPortWatcher;
    bool fShown = false;
    bool fSwitchOn = false;
    int fLinkWork = 0;
    bool fCloseWhenIdle = false; // the operator closed the window while link work ran
    QHash<QWidget *, bool> fHeldEnabled; // while link work runs: each link control's state afterwards
    std::unique_ptr<TCalendarList> fCalendarList;
    std::unique_ptr<TScheduleList> fScheduleList;
    std::unique_ptr<TLibraryLock> fLibraryLock; // held while this window has the library open
    std::unique_ptr<TWindowHandover> fHandover;   // takes files from other starts while the lock is held
    QStringList fGivenFiles;                      // not yet offered
    QTimer *tmrGivenFiles;                        // looks again while the operator is busy
    TfrmYearView *fYearView = nullptr;            // made on first use, then reused
    TfrmFleet *fFleet = nullptr;                  // made on first use, then reused
};
