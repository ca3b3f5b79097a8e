#include "app/frmmain.h"

#include "app/frmaboutbox.h"
#include "app/frmhelp.h"
#include "app/frmloadsettings.h"
#include "app/frmsavesettings.h"
#include "app/frmupdatecheck.h"
#include "app/makersite.h"
#include "config/appconfig.h"
#include "config/errorhandler.h"
#include "config/manual.h"
#include "config/messages.h"
#include "config/messageservice.h"
#include "config/updatechecker.h"
#include "config/version.h"
#include "history/recorder.h"
#include "link/portlist.h"
#include "link/portwatch.h"
#include "pages/childadvanced.h"
#include "pages/childcalendarlist.h"
#include "pages/childschedulelist.h"
#include "store/calendar.h"
#include "store/datamodule.h"
#include "store/device.h"
#include "store/librarydb.h"
#include "store/librarylock.h"
#include "store/schedule.h"
#include "store/windowhandover.h"
#include "widgets/listfill.h"
#include "widgets/navbutton.h"
#include "widgets/panelstatusbar.h"
#include "widgets/screenfit.h"
#include "widgets/voltagechartview.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollArea>
#include <QShortcut>
#include <QStackedWidget>
#include <QStyle>
#include <QTabBar>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

namespace {
const QString kDatabaseDialogTitle = QStringLiteral("Please select Database File");
const QString kDatabaseFilter = QStringLiteral("Database Files (*.db)|*.db|All Files (*.*)|*.*");
const QString kDatabaseExt = QStringLiteral(".db");

// The controls of a part of the window that Tab stops at, in the order the
// focus chain has them now: a control alone, or the controls in a group or
// an embedded page in their own order.
QList<QWidget *> tabStops(QWidget *part)
{
    QList<QWidget *> stops;
    QWidget *widget = part;
    do {
        if ((widget == part || part->isAncestorOf(widget)) && (widget->focusPolicy() & Qt::TabFocus)
            && !widget->focusProxy())
            stops << widget;
        widget = widget->nextInFocusChain();
    } while (widget != part);
    return stops;
}

// Tab visits the parts in the order given.
void chainTabStops(const QList<QWidget *> &parts)
{
    QList<QWidget *> stops;
    for (QWidget *part : parts)
        stops << tabStops(part);
    for (qsizetype i = 1; i < stops.size(); ++i)
        QWidget::setTabOrder(stops.at(i - 1), stops.at(i));
}
}

TfrmMain::TfrmMain(QWidget *parent) : QMainWindow(parent), tmrInterface(nullptr, 1000)
{
    FormCreate();
}

TfrmMain::~TfrmMain()
{
    History().SetReporter(nullptr);
}

void TfrmMain::FormCreate()
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(DesignCaption());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    auto *central = new QWidget(this);
    central->setAutoFillBackground(true);
    QPalette palette = central->palette();
    palette.setColor(QPalette::Window, Qt::white);
    central->setPalette(palette);

    QWidget *leftColumn = BuildLeftColumn();
    auto *line = new QFrame(central);
    line->setFixedWidth(1);
    line->setAutoFillBackground(true);
    QPalette grey = line->palette();
    grey.setColor(QPalette::Window, QColor(160, 160, 160));
    line->setPalette(grey);

    // The stack holds the pages in page-number order.
    TabControl = new QStackedWidget(central);
    TabControl->setObjectName(QStringLiteral("TabControl"));
    TabControl->addWidget(BuildHomePage());
    TabControl->addWidget(BuildConnectedSystemPage());
    TabControl->addWidget(BuildLibraryPage(true));
    TabControl->addWidget(BuildLibraryPage(false));
    TabControl->addWidget(BuildSettingsPage());
    TabControl->addWidget(BuildLogPage());

    auto *layout = new QHBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(leftColumn);
    layout->addWidget(line);
    layout->addWidget(TabControl, 1);
    // On a screen smaller than the window the content scrolls above the
    // status bar, which stays in view.
    scrContent = new QScrollArea(this);
    scrContent->setObjectName(QStringLiteral("scrContent"));
    scrContent->setFrameShape(QFrame::NoFrame);
    scrContent->setFocusPolicy(Qt::NoFocus); // the controls in it take the focus, and it scrolls to them
    scrContent->setWidgetResizable(true);
    scrContent->setWidget(central);
    setCentralWidget(scrContent);

    StatusBar = new TPanelStatusBar({200, 200, 100, 100, 50}, this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    setStatusBar(StatusBar);

    CreateEmbeddedPages();
    frmHelp = new TfrmHelp(this);
    SetTabOrder();
    ConnectHandlers();
    ConnectLibraryHandlers();
    ConnectMonitorHandlers();
    ConnectReportHandlers();
    ConnectHistoryHandlers();
    ConnectAuditHandlers();
    // The embedded pages go into their hosts before this, so that the size
    // fixed here makes room for them.
    FitToScreen(AvailableArea(this));

    tmrInterface.OnTimer = [this] { tmrInterfaceTimer(); };
    tmrInterface.SetEnabled(true);

    tmrGivenFiles = new QTimer(this);
    tmrGivenFiles->setSingleShot(true);
    tmrGivenFiles->setInterval(250);
    connect(tmrGivenFiles, &QTimer::timeout, this, [this] { RunAction([this] { TakeGivenFiles(); }); });

    fPortWatcher = new TPortWatcher(this);
    connect(fPortWatcher, &TPortWatcher::PortsChanged, this, [this] { RunAction([this] { UpdatePortList(); }); });
}

void TfrmMain::CreateEmbeddedPages()
{
    // Creating the advanced settings page runs its "Auto Set", so the DST
    // fields start from the workstation's rules for the current year.
    AdvancedSettingsPage = new TfrmChildAdvanced(pageAdvancedSettings);
    BeaconScheduleRecords = new TfrmChildScheduleList(pageSettingsSchedule);
    BeaconScheduleRecords->SetSchedule(&DeviceSchedule());
    BeaconCalendarRecords = new TfrmChildCalendarList(pageSettingsCalendar);
    BeaconCalendarRecords->SetCalendar(&DeviceCalendar());
    // The library pages stay hidden and unbound until an entry is selected.
    LibraryScheduleRecords = new TfrmChildScheduleList(pnlScheduleRecords);
    LibraryScheduleRecords->SetLibraryListLink(lvSchedules);
    LibraryScheduleRecords->hide();
    LibraryCalendarRecords = new TfrmChildCalendarList(pnlCalendarRecords);
    LibraryCalendarRecords->SetLibraryListLink(lvCalendars);
    LibraryCalendarRecords->hide();
}

void TfrmMain::SetTabOrder()
{
    // The navigation buttons take the keyboard focus in page-number order, not
    // in their order on the screen. On the pages the focus follows the
    // screen: the buttons beside a page's title, what lies under them, and
    // the buttons at the bottom last. Tab passes over the hidden pages.
    chainTabStops({cbComPort, btnHome, btnConnectedSystem, btnSchedules, btnCalendars, btnSettings, btnLog,
                   pageHome,
                   btnHistory, btnCompare, TabSetSettings, pageSettingsSchedule, pageSettingsCalendar,
                   pageAdvancedSettings, cbSyncRTC, gbManualControl, btnRealTime, Button2, btnSaveToFile,
                   btnLoadFromFile, btnUploadTo, btnDownloadFrom,
                   lvSchedules, btnAddSchedule, btnRenameSchedule, btnDeleteSchedule, pnlScheduleRecords,
                   lvCalendars, btnAddCalendar, btnRenameCalendar, btnDeleteCalendar, pnlCalendarRecords,
                   edtDatabaseFile, btnBrowseDb,
                   btnLogHistory, btnEventArchive, btnOperationReport, lvEvents, chartArchive, lvArchive, btnDownloadEvents, btnSaveLogToFile,
                   btnLoadLogFromFile, btnPrintLog, Button5});
}

void TfrmMain::ConnectHandlers()
{
    auto onClick = [this](QAbstractButton *button, void (TfrmMain::*handler)()) {
        connect(button, &QAbstractButton::clicked, this, [this, handler] { RunAction([&] { (this->*handler)(); }); });
    };
    for (TNavButton *button : {btnHome, btnSchedules, btnCalendars, btnConnectedSystem, btnLog, btnSettings})
        connect(button, &QAbstractButton::clicked, this, [this, button] { RunAction([&] { btnPageNavClick(button); }); });
    connect(TabSetSettings, &QTabBar::currentChanged, this, [this] { RunAction([this] { TabSetSettingsClick(); }); });
    onClick(btnBrowseDb, &TfrmMain::btnBrowseDbClick);
    onClick(BitBtn1, &TfrmMain::BitBtn1Click);
    onClick(btnHelp, &TfrmMain::btnHelpClick);
    onClick(btnAbout, &TfrmMain::btnAboutClick);
    onClick(btnDownloadFrom, &TfrmMain::btnDownloadFromClick);
    onClick(btnSaveToFile, &TfrmMain::btnSaveToFileClick);
    onClick(btnLoadFromFile, &TfrmMain::btnLoadFromFileClick);
    onClick(imgPortSwitch, &TfrmMain::imgPortSwitchClick);
    auto *help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, [this] { RunAction([this] { btnHelpClick(); }); });
    // Only the operator's choice counts: selecting the connected port from
    // code must not remember it.
    connect(cbComPort, &QComboBox::activated, this, [this] { RunAction([this] { cbComPortChange(); }); });
}

void TfrmMain::FitToScreen(const QRect &available)
{
    // The designed client size, or more where the platform's fonts need it;
    // less where the screen has less room, the content then scrolling.
    const QSize content = scrContent->widget()->minimumSizeHint();
    QSize size = QSize(content.width(), content.height() + StatusBar->sizeHint().height()).expandedTo(QSize(810, 525));
    if (available.isValid()) {
        // A scroll bar in one direction takes room from the other.
        const QSize room = RoomIn(this, available);
        const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scrContent);
        if (size.height() > room.height())
            size.rwidth() += bar;
        if (size.width() > room.width())
            size.rheight() += bar;
        size = size.boundedTo(room);
    }
    setFixedSize(size);
    if (available.isValid())
        CentreIn(this, available);
}

void TfrmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (fShown)
        return;
    fShown = true;
    RunAction([this] { FormShow(); });
}

void TfrmMain::FormShow()
{
    setWindowTitle(Fmt("%s", DesignCaption() + u' ' + GetExeVersion()));
    TabControl->setCurrentIndex(0);
    TabControlSettings->setCurrentIndex(0);
    TabSetSettings->setCurrentIndex(0);
    AppConfig().Load();
    FillPortList(ListPorts());
    const QString dbName = AppConfig().DBName();
    edtDatabaseFile->setText(dbName);
    QString notCreated;
    if (!AppConfig().DBNameStored()) {
        // The first start: the library the installer of old would have made.
        try {
            CreateLibraryDatabase(dbName);
        } catch (...) {
            notCreated = ExceptionText(std::current_exception());
        }
    }
    if (!LockLibrary(dbName))
        return;
    if (DM().OpenDatabase(dbName)) {
        try {
            LoadLibraries();
            return;
        } catch (...) {
            // A file that opens but is no library database (a table missing):
            // the operator sees why, and the library stays out of reach.
            Messages().Error(ExceptionText(std::current_exception()));
        }
    }
    EnterReducedMode(notCreated);
}

bool TfrmMain::LockLibrary(const QString &dbName)
{
    if (!QFileInfo::exists(dbName))
        return true; // nothing to open, nothing to share
    try {
        fLibraryLock = std::make_unique<TLibraryLock>(dbName);
        fHandover = std::make_unique<TWindowHandover>(dbName);
        connect(fHandover.get(), &TWindowHandover::FilesHanded, this, &TfrmMain::OpenSettingsFiles);
        return true;
    } catch (const Exception &e) {
        // Two windows on one library would change records under each
        // other's feet: this one brings nothing up and ends.
        Messages().Error(e.Message());
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        return false;
    }
}

void TfrmMain::LoadLibraries()
{
    fCalendarList = std::make_unique<TCalendarList>();
    FillListView(lvCalendars, fCalendarList->ShowList(SelectedRow(lvCalendars)));
    fScheduleList = std::make_unique<TScheduleList>();
    FillListView(lvSchedules, fScheduleList->ShowList(SelectedRow(lvSchedules)));
    // Both loaded: the record lists may offer and redraw the libraries.
    BeaconScheduleRecords->SetScheduleList(fScheduleList.get());
    LibraryScheduleRecords->SetScheduleList(fScheduleList.get());
    BeaconCalendarRecords->SetCalendarList(fCalendarList.get());
    LibraryCalendarRecords->SetCalendarList(fCalendarList.get());
}

void TfrmMain::EnterReducedMode(const QString &notCreated)
{
    // No library object outlives a failed load, so nothing can reach a
    // half-loaded library. The record lists were never given a library, so
    // their load buttons stay disabled.
    fCalendarList.reset();
    fScheduleList.reset();
    lvCalendars->clear();
    lvSchedules->clear();
    btnSchedules->setEnabled(false);
    btnCalendars->setEnabled(false);
    QStringList text{Fmt(Msg::DbFunctionsDisabled, AppConfig().DBName())};
    if (!AppConfig().DBNameStored()) {
        // The default library: the operator has never chosen one, so say why
        // and how. pvbcs-initdb leaves a file that is there alone.
        if (!notCreated.isEmpty())
            text << notCreated;
        text << (QFileInfo::exists(AppConfig().DBName()) ? Fmt(Msg::DbBrokenDefaultAdvice, AppConfig().DBName())
                                                         : QString::fromUtf8(Msg::DbDefaultLibraryAdvice));
    }
    Messages().Error(text.join(QStringLiteral("\n\n")));
}

void TfrmMain::FillPortList(const QList<TPortInfo> &systemPorts)
{
    const QStringList names = PortNames(systemPorts);
    const QString wanted = AppConfig().PortNameStored() ? AppConfig().PortName() : DefaultPort(systemPorts);
    // "Autodetect" when the port is not there: the stored value stays as it is.
    cbComPort->SetPorts(systemPorts, FindRememberedPort(wanted, names));
}

QString TfrmMain::HelpChapter() const
{
    const std::pair<const QWidget *, const char *> chapters[] = {
        {pageConnectedSystem, HelpChapters::ManageBeacons}, {pageSchedules, HelpChapters::Libraries},
        {pageCalendars, HelpChapters::Holidays},            {pageSettings, HelpChapters::SoftwareSettings},
        {pageLog, HelpChapters::EventLog},
    };
    for (const auto &[page, chapter] : chapters)
        if (TabControl->currentWidget() == page)
            return QString::fromUtf8(chapter);
    return QString::fromUtf8(HelpChapters::Overview);
}

void TfrmMain::btnPageNavClick(QObject *sender)
{
    const auto *button = qobject_cast<TNavButton *>(sender);
    if (!button)
        return;
    TabControl->setCurrentIndex(button->PageNumber() - 1);
    for (TPageLed *led : std::as_const(fLeds))
        led->setPixmap(led->PageNumber() == button->PageNumber() ? imgLedOn->pixmap() : imgLedOff->pixmap());
}

void TfrmMain::TabSetSettingsClick()
{
    TabControlSettings->setCurrentIndex(TabSetSettings->currentIndex());
}

void TfrmMain::btnBrowseDbClick()
{
    const QString fileName = Messages().OpenFileName(kDatabaseDialogTitle, kDatabaseFilter, kDatabaseExt);
    if (fileName.isEmpty() || !QFileInfo(fileName).isFile())
        return;
    // Exact text: the same file written with other letter case counts as a change.
    if (fileName == AppConfig().DBName())
        return;
    AppConfig().SetDBName(fileName);
    edtDatabaseFile->setText(fileName);
    Messages().Information(Msg::DbFileChanged);
}

void TfrmMain::BitBtn1Click()
{
    std::optional<QString> page;
    {
        // Busy, but Cancel can still be clicked.
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
        const auto arrow = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
        page = TfrmUpdateCheck(this).Fetch();
    }
    if (!page)
        return; // the operator gave up on it
    switch (UpdateOutcome(*page, GetExeVersion())) {
    case TUpdateOutcome::NewerVersion:
        if (Messages().AskInformation(Msg::UpdateAvailable))
            OpenDownloadPage();
        break;
    case TUpdateOutcome::NotRetrieved:
        Messages().Error(Msg::UpdateNotRetrieved);
        break;
    case TUpdateOutcome::UpToDate:
        Messages().Information(Msg::UpdateUpToDate);
        break;
    }
}

void TfrmMain::btnHelpClick()
{
    frmHelp->ShowChapter(HelpChapter());
}

void TfrmMain::btnAboutClick()
{
    TfrmAboutBox::Instance().exec();
}

void TfrmMain::btnSaveToFileClick()
{
    TfrmSaveSettings::Instance().exec();
}

void TfrmMain::btnLoadFromFileClick()
{
    TfrmLoadSettings::Instance().exec();
}

void TfrmMain::OpenSettingsFiles(const QStringList &files)
{
    fGivenFiles << files;
    tmrGivenFiles->start(0);
}

void TfrmMain::TakeGivenFiles()
{
    if (fGivenFiles.isEmpty())
        return;
    // Only between the operator's own actions: not before the first show has
    // opened the library, inside a dialog or menu, or during link work or any
    // other wait that runs the event loop.
    if (!fShown || !isVisible() || LinkWorkRunning() || QApplication::activeModalWidget()
        || QApplication::activePopupWidget() || QThread::currentThread()->loopLevel() > 1) {
        tmrGivenFiles->start();
        return;
    }
    setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
    btnPageNavClick(btnConnectedSystem);
    const QString file = fGivenFiles.takeFirst();
    if (!fGivenFiles.isEmpty())
        tmrGivenFiles->start();
    TfrmLoadSettings::Instance().LoadGivenFile(file);
}
