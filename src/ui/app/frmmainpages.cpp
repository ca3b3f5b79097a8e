// The main window's widgets and layout: the left column and the six pages.
// Sizes are the design's where it gives them; layouts let a control grow when
// the platform's font needs more room, so no caption is ever cut.
#include "app/frmmain.h"

#include "app/frmnetworkbeacon.h"
#include "app/makersite.h"
#include "history/eventarchivemodel.h"
#include "pages/pagewidgets.h"
#include "widgets/elidedgroupbox.h"
#include "widgets/navbutton.h"
#include "widgets/pagetitle.h"
#include "widgets/panelstatusbar.h"
#include "widgets/pictures.h"
#include "widgets/portcombobox.h"
#include "widgets/voltagechartview.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTimeEdit>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
const QColor kMaroon(128, 0, 0);
const int kPageMargin = 8;

void fillBackground(QWidget *widget, const QColor &colour)
{
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
}

template <typename Widget> Widget *named(Widget *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel *newLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// A button with an icon, at least the designed size.
QPushButton *newButton(const char *name, const QString &caption, const QString &icon, const QSize &design,
                       QWidget *parent)
{
    auto *button = named(new QPushButton(Icon(icon), caption, parent), name);
    button->setIconSize(QSize(24, 24));
    button->setMinimumSize(design.expandedTo(button->minimumSizeHint()));
    return button;
}

// A page of the stack: its title with the rule, then the content.
QVBoxLayout *newPageLayout(QWidget *page, TPageTitle *title)
{
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(kPageMargin, 4, kPageMargin, kPageMargin);
    layout->setSpacing(6);
    layout->addWidget(title);
    return layout;
}

// A host for an embedded page, which fills it.
QWidget *newHost(const char *name, QWidget *parent)
{
    auto *host = named(new QWidget(parent), name);
    auto *layout = new QVBoxLayout(host);
    layout->setContentsMargins(0, 0, 0, 0);
    return host;
}
}

QWidget *TfrmMain::BuildLeftColumn()
{
    auto *column = new QWidget(this);
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(BuildConnectionPanel());
    layout->addWidget(BuildNavigationPanel(), 1);
    column->setFixedWidth(qMax(200, column->minimumSizeHint().width()));
    return column;
}

QWidget *TfrmMain::BuildConnectionPanel()
{
    pnlConnection = named(new QWidget(this), "pnlConnection");
    fillBackground(pnlConnection, QColor(215, 215, 255));

    cbComPort = named(new TPortComboBox(pnlConnection), "cbComPort");
    cbComPort->setEditable(false);
    cbComPort->addItem(QStringLiteral("Autodetect"));
    // Wide enough for "Autodetect"; a longer port name loses the start of its path.
    cbComPort->setMinimumWidth(cbComPort->sizeHint().width());
    cbComPort->SetPorts({}, {});
    frmNetworkBeacon = new TfrmNetworkBeacon(this);

    // The switch images are held here, never shown; the switch copies one.
    imgSwitchON = named(new QLabel(pnlConnection), "imgSwitchON");
    imgSwitchON->setPixmap(Picture(QStringLiteral("switch-on")));
    imgSwitchON->hide();
    imgSwitchOFF = named(new QLabel(pnlConnection), "imgSwitchOFF");
    imgSwitchOFF->setPixmap(Picture(QStringLiteral("switch-off")));
    imgSwitchOFF->hide();

    imgPortSwitch = named(new QToolButton(pnlConnection), "imgPortSwitch");
    imgPortSwitch->setAutoRaise(true);
    imgPortSwitch->setFocusPolicy(Qt::NoFocus);
    imgPortSwitch->setCursor(Qt::PointingHandCursor);
    imgPortSwitch->setIconSize(imgSwitchOFF->pixmap().deviceIndependentSize().toSize());
    imgPortSwitch->setIcon(QIcon(imgSwitchOFF->pixmap()));
    imgPortSwitch->setStyleSheet(QStringLiteral("QToolButton { border: none; padding: 0; }"));

    auto *layout = new QGridLayout(pnlConnection);
    layout->setContentsMargins(8, 3, 8, 3);
    layout->setHorizontalSpacing(6);
    layout->setVerticalSpacing(1);
    layout->addWidget(newLabel(QStringLiteral("Port:"), pnlConnection), 0, 0);
    layout->addWidget(newLabel(QStringLiteral("Connection:"), pnlConnection), 0, 1);
    layout->addWidget(cbComPort, 1, 0);
    layout->addWidget(imgPortSwitch, 1, 1, Qt::AlignLeft | Qt::AlignVCenter);
    layout->setColumnStretch(0, 1);
    pnlConnection->setFixedHeight(qMax(58, layout->minimumSize().height()));
    return pnlConnection;
}

QWidget *TfrmMain::BuildNavigationPanel()
{
    pnlNavigation = named(new QWidget(this), "pnlNavigation");
    fillBackground(pnlNavigation, QColor(208, 208, 208));

    // The LED images are held here, never shown; the indicators copy them.
    imgLedOn = named(new QLabel(pnlNavigation), "imgLedOn");
    imgLedOn->setPixmap(Picture(QStringLiteral("led-on"), QSize(14, 55)));
    imgLedOn->hide();
    imgLedOff = named(new QLabel(pnlNavigation), "imgLedOff");
    imgLedOff->setPixmap(Picture(QStringLiteral("led-off"), QSize(14, 55)));
    imgLedOff->hide();

    auto *layout = new QVBoxLayout(pnlNavigation);
    layout->setContentsMargins(6, 5, 6, 0);
    layout->setSpacing(3);
    auto add = [&](TNavButton *&button, const char *name, const QString &caption, const QString &icon, int page) {
        button = named(new TNavButton(caption, Icon(icon, 32), page, pnlNavigation), name);
        auto *led = new TPageLed(page, pnlNavigation);
        led->setObjectName(QStringLiteral("imgLed%1").arg(page));
        led->setPixmap(page == 1 ? imgLedOn->pixmap() : imgLedOff->pixmap());
        fLeds.append(led);
        auto *row = new QHBoxLayout;
        row->setSpacing(4);
        row->addStretch(1);
        row->addWidget(button);
        row->addWidget(led, 0, Qt::AlignVCenter);
        row->addStretch(1);
        layout->addLayout(row);
    };
    // Screen order; the page numbers give the order of the page stack.
    add(btnHome, "btnHome", QStringLiteral("Home"), QStringLiteral("nav-home"), 1);
    add(btnSchedules, "btnSchedules", QStringLiteral("Schedules"), QStringLiteral("nav-schedules"), 3);
    add(btnCalendars, "btnCalendars", QStringLiteral("Holidays & Exceptions"), QStringLiteral("nav-calendars"), 4);
    add(btnConnectedSystem, "btnConnectedSystem", QStringLiteral("Manage Beacons"), QStringLiteral("nav-beacons"),
        2);
    add(btnLog, "btnLog", QStringLiteral("Event Log"), QStringLiteral("nav-eventlog"), 6);
    add(btnSettings, "btnSettings", QStringLiteral("Software Settings"), QStringLiteral("nav-settings"), 5);

    imgNavDecoration = named(new QLabel(pnlNavigation), "imgNavDecoration");
    imgNavDecoration->setPixmap(Picture(QStringLiteral("nav-decor")));
    imgNavDecoration->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    layout->addWidget(imgNavDecoration, 1);
    return pnlNavigation;
}

QWidget *TfrmMain::BuildHomePage()
{
    pageHome = named(new QWidget(this), "pageHome");
    auto *title = new TPageTitle(QStringLiteral("Home"), pageHome);
    BitBtn1 = newButton("BitBtn1", QStringLiteral("Check for Updates"), QStringLiteral("btn-update"), QSize(0, 32),
                        pageHome);
    btnHelp = newButton("btnHelp", QStringLiteral("Help"), QStringLiteral("btn-help"), QSize(80, 32), pageHome);
    btnAbout = newButton("btnAbout", QStringLiteral("About"), QStringLiteral("btn-about"), QSize(80, 32), pageHome);
    title->Row()->addWidget(BitBtn1, 0, Qt::AlignTop);
    title->Row()->addWidget(btnHelp, 0, Qt::AlignTop);
    title->Row()->addWidget(btnAbout, 0, Qt::AlignTop);

    auto welcomeLabel = [&](const QString &text, int pixelSize) {
        QLabel *label = newLabel(text, pageHome);
        QFont font(QStringLiteral("Arial"));
        font.setBold(true);
        font.setPixelSize(pixelSize);
        label->setFont(font);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, kMaroon);
        label->setPalette(palette);
        label->setAlignment(Qt::AlignCenter);
        return label;
    };

    auto *pictures = new QHBoxLayout;
    pictures->addStretch(1);
    auto *beacon = new QLabel(pageHome);
    beacon->setPixmap(Picture(QStringLiteral("home-beacon"), QSize(162, 180)));
    pictures->addWidget(beacon);
    pictures->addSpacing(48);
    auto *workstation = new QLabel(pageHome);
    workstation->setPixmap(Picture(QStringLiteral("home-controller"), QSize(180, 180)));
    pictures->addWidget(workstation);
    pictures->addStretch(1);

    lblWebSite = named(NewWebSiteLink(pageHome), "lblWebSite");
    auto *website = new QHBoxLayout;
    website->addWidget(newLabel(QStringLiteral("Website:"), pageHome));
    website->addWidget(lblWebSite);
    website->addStretch(1);
    btnFleet = newButton("btnFleet", QStringLiteral("Fleet…"), QStringLiteral("nav-beacons"), QSize(100, 32), pageHome);
    website->addWidget(btnFleet);

    QVBoxLayout *layout = newPageLayout(pageHome, title);
    layout->addSpacing(14);
    layout->addWidget(welcomeLabel(QStringLiteral("Welcome to Pavoline\u00AE Beacon Control Software "), 22));
    layout->addWidget(welcomeLabel(QStringLiteral("for Pavoline\u00AE Beacon System"), 17));
    layout->addStretch(1);
    layout->addLayout(pictures);
    layout->addStretch(1);
    layout->addLayout(website);
    return pageHome;
}

QWidget *TfrmMain::BuildConnectedSystemPage()
{
    pageConnectedSystem = named(new QWidget(this), "pageConnectedSystem");
    auto *title = new TPageTitle(QStringLiteral("Manage Beacons"), pageConnectedSystem);

    TabSetSettings = named(new QTabBar(pageConnectedSystem), "TabSetSettings");
    TabSetSettings->setExpanding(false);
    TabSetSettings->setDrawBase(false);
    // A doubled ampersand is the tab bar's literal "&", so no tab gets a mnemonic.
    for (const char *caption : {"  Schedule  ", "  Holidays && Exceptions  ", "  Advanced Settings  "})
        TabSetSettings->addTab(QString::fromLatin1(caption));
    TabSetSettings->setStyleSheet(QStringLiteral(
        "QTabBar::tab { font-weight: bold; font-size: 12px; background: rgb(230, 230, 230);"
        " border: 1px solid #a0a0a0; border-bottom: none; border-top-left-radius: 5px;"
        " border-top-right-radius: 5px; padding: 4px 6px; margin-right: 2px; }"
        "QTabBar::tab:selected { background: white; }"));

    TabControlSettings = named(new QStackedWidget(pageConnectedSystem), "TabControlSettings");
    TabControlSettings->setMinimumSize(593, 238);
    TabControlSettings->setStyleSheet(
        QStringLiteral("#TabControlSettings { border: 1px solid #a0a0a0; background: white; }"));
    pageSettingsSchedule = newHost("pageSettingsSchedule", TabControlSettings);
    pageSettingsCalendar = newHost("pageSettingsCalendar", TabControlSettings);
    pageAdvancedSettings = newHost("pageAdvancedSettings", TabControlSettings);
    TabControlSettings->addWidget(pageSettingsSchedule);
    TabControlSettings->addWidget(pageSettingsCalendar);
    TabControlSettings->addWidget(pageAdvancedSettings);

    cbSyncRTC = named(new QCheckBox(QStringLiteral("Synchronize Beacons' Clock"), pageConnectedSystem), "cbSyncRTC");
    cbSyncRTC->setChecked(true);

    gbManualControl = named(new QGroupBox(QStringLiteral(" Manual Override "), pageConnectedSystem), "gbManualControl");
    cbOverrideMode = named(new QComboBox(gbManualControl), "cbOverrideMode");
    cbOverrideMode->addItems({QStringLiteral("Auto"), QStringLiteral("Turn ON"), QStringLiteral("Turn OFF")});
    cbScheduleTimeOn = named(new QTimeEdit(QTime(23, 59), gbManualControl), "cbScheduleTimeOn");
    cbScheduleTimeOn->setDisplayFormat(QStringLiteral("HH:mm"));
    cbScheduleTimeOn->setEnabled(false);
    btnOverride = named(new QPushButton(QStringLiteral("Override"), gbManualControl), "btnOverride");
    btnOverride->setEnabled(false);
    auto *overrideLayout = new QGridLayout(gbManualControl);
    overrideLayout->setContentsMargins(8, 4, 8, 6);
    overrideLayout->setVerticalSpacing(4);
    overrideLayout->addWidget(newLabel(QStringLiteral("Action:"), gbManualControl), 0, 0);
    overrideLayout->addWidget(cbOverrideMode, 0, 1);
    overrideLayout->addWidget(newLabel(QStringLiteral("Until:"), gbManualControl), 1, 0);
    overrideLayout->addWidget(cbScheduleTimeOn, 1, 1);
    overrideLayout->addWidget(btnOverride, 2, 1);
    overrideLayout->setColumnStretch(1, 1);

    const QSize design(140, 48);
    btnRealTime = newButton("btnRealTime", QStringLiteral("Real Time Diagnostics"), QStringLiteral("btn-realtime"),
                            design, pageConnectedSystem);
    btnRealTime->setEnabled(false);
    Button2 = newButton("Button2", QStringLiteral("Print Configuration"), QStringLiteral("btn-print"), design,
                        pageConnectedSystem);
    btnSaveToFile =
        newButton("btnSaveToFile", QStringLiteral("Save to File"), QStringLiteral("btn-save"), design, pageConnectedSystem);
    btnLoadFromFile = newButton("btnLoadFromFile", QStringLiteral("Load from File"), QStringLiteral("btn-load"), design,
                                pageConnectedSystem);
    btnUploadTo = newButton("btnUploadTo", QStringLiteral("Upload to Beacon"), QStringLiteral("btn-upload"), design,
                            pageConnectedSystem);
    btnUploadTo->setEnabled(false);
    btnDownloadFrom = newButton("btnDownloadFrom", QStringLiteral("Download from Beacon"),
                                QStringLiteral("btn-download"), design, pageConnectedSystem);
    btnDownloadFrom->setEnabled(false);
    btnCompare = newButton("btnCompare", QStringLiteral("Compare with Beacon"), QStringLiteral("btn-download"),
                           QSize(0, 32), pageConnectedSystem);
    btnCompare->setEnabled(false);
    btnHistory = newButton("btnHistory", QStringLiteral("Beacon History"), QStringLiteral("btn-load"), QSize(0, 32),
                           pageConnectedSystem);
    title->Row()->addWidget(btnHistory, 0, Qt::AlignTop);
    btnPreviewYear = newButton("btnPreviewYear", QStringLiteral("Preview the Year"), QStringLiteral("btn-load"),
                               QSize(0, 32), pageConnectedSystem);
    title->Row()->addWidget(btnCompare, 0, Qt::AlignTop);

    auto *left = new QVBoxLayout;
    left->setSpacing(4);
    left->addWidget(cbSyncRTC);
    left->addWidget(gbManualControl, 1);
    auto *buttons = new QGridLayout;
    buttons->setSpacing(4);
    buttons->addWidget(btnRealTime, 0, 0);
    buttons->addWidget(Button2, 0, 1);
    buttons->addWidget(btnSaveToFile, 1, 0);
    buttons->addWidget(btnLoadFromFile, 1, 1);
    buttons->addWidget(btnUploadTo, 2, 0);
    buttons->addWidget(btnDownloadFrom, 2, 1);
    buttons->addWidget(btnPreviewYear, 3, 0, 1, 2);
    auto *bottom = new QHBoxLayout;
    bottom->setSpacing(12);
    bottom->addLayout(left, 1);
    bottom->addLayout(buttons);

    QVBoxLayout *layout = newPageLayout(pageConnectedSystem, title);
    auto *tabs = new QVBoxLayout;
    tabs->setSpacing(0);
    tabs->addWidget(TabSetSettings, 0, Qt::AlignLeft);
    tabs->addWidget(TabControlSettings, 1);
    layout->addLayout(tabs, 1);
    layout->addLayout(bottom);
    return pageConnectedSystem;
}

QWidget *TfrmMain::BuildLibraryPage(bool schedules)
{
    // The two library pages are laid out alike; only names and texts differ.
    const QString kind = schedules ? QStringLiteral("Schedule") : QStringLiteral("Calendar");
    auto *page = named(new QWidget(this), schedules ? "pageSchedules" : "pageCalendars");
    auto *title =
        new TPageTitle(schedules ? QStringLiteral("Schedules") : QStringLiteral("Holidays & Exceptions"), page);

    auto *upper = new QGroupBox(QStringLiteral(" List of %1s  ").arg(kind), page);
    // The name column of the schedule list is headed by what it shows, like the calendar list's.
    QTreeWidget *list = NewReportList(schedules ? QStringLiteral("lvSchedules") : QStringLiteral("lvCalendars"),
                                      {kind, QStringLiteral("Records")}, {200, 100}, upper, false);
    list->setMinimumWidth(420);
    list->setFixedHeight(150);
    const QSize design(153, 41);
    QPushButton *add = newButton(schedules ? "btnAddSchedule" : "btnAddCalendar",
                                 QStringLiteral("Add New %1").arg(kind), QStringLiteral("btn-add"), design, upper);
    QPushButton *rename = newButton(schedules ? "btnRenameSchedule" : "btnRenameCalendar",
                                    QStringLiteral("Rename %1").arg(kind), QStringLiteral("btn-rename"), design, upper);
    QPushButton *remove = newButton(schedules ? "btnDeleteSchedule" : "btnDeleteCalendar",
                                    QStringLiteral("Delete %1").arg(kind), QStringLiteral("btn-delete"), design, upper);
    auto *buttons = new QVBoxLayout;
    buttons->setSpacing(4);
    buttons->addWidget(add);
    buttons->addWidget(rename);
    buttons->addWidget(remove);
    buttons->addStretch(1);
    // Under the calendar list, where its longer caption widens nothing.
    auto *listColumn = new QVBoxLayout;
    listColumn->addWidget(list);
    QPushButton *import = nullptr;
    if (!schedules) {
        import = newButton("btnImportCalendar", QStringLiteral("Import School Calendar\u2026"), QStringLiteral("btn-load"),
                           QSize(0, 32), upper);
        listColumn->addWidget(import, 0, Qt::AlignLeft);
    }
    QPushButton *preview = newButton(schedules ? "btnPreviewSchedule" : "btnPreviewCalendar",
                                     QStringLiteral("Preview the Year"), QStringLiteral("btn-load"), QSize(0, 32), page);
    title->Row()->addWidget(preview, 0, Qt::AlignTop);
    auto *upperLayout = new QHBoxLayout(upper);
    upperLayout->setContentsMargins(4, 4, 4, 6);
    upperLayout->addLayout(listColumn, 1);
    upperLayout->addLayout(buttons);

    auto *lower = named(new TElidedGroupBox(QStringLiteral(" %1 not selected ").arg(kind), page),
                        schedules ? "gbScheduleRecords" : "gbCalendarRecords");
    QWidget *records = newHost(schedules ? "pnlScheduleRecords" : "pnlCalendarRecords", lower);
    auto *lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(6, 4, 6, 6);
    lowerLayout->addWidget(records);

    QVBoxLayout *layout = newPageLayout(page, title);
    layout->addWidget(upper);
    layout->addWidget(lower, 1);

    if (schedules) {
        pageSchedules = page;
        lvSchedules = list;
        btnAddSchedule = add;
        btnRenameSchedule = rename;
        btnDeleteSchedule = remove;
        btnPreviewSchedule = preview;
        gbScheduleRecords = lower;
        pnlScheduleRecords = records;
    } else {
        pageCalendars = page;
        lvCalendars = list;
        btnAddCalendar = add;
        btnRenameCalendar = rename;
        btnDeleteCalendar = remove;
        btnImportCalendar = import;
        btnPreviewCalendar = preview;
        gbCalendarRecords = lower;
        pnlCalendarRecords = records;
    }
    return page;
}

QWidget *TfrmMain::BuildSettingsPage()
{
    pageSettings = named(new QWidget(this), "pageSettings");
    auto *title = new TPageTitle(QStringLiteral("Software Settings"), pageSettings);

    edtDatabaseFile = named(new QLineEdit(pageSettings), "edtDatabaseFile");
    edtDatabaseFile->setReadOnly(true);
    btnBrowseDb = named(new QToolButton(pageSettings), "btnBrowseDb");
    btnBrowseDb->setText(QStringLiteral("Browse..."));
    btnBrowseDb->setIcon(Icon(QStringLiteral("btn-browse"), 32));
    btnBrowseDb->setIconSize(QSize(32, 32));
    btnBrowseDb->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    btnBrowseDb->setMinimumSize(QSize(80, 60).expandedTo(btnBrowseDb->sizeHint()));

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->addWidget(newLabel(QStringLiteral("Database File:"), pageSettings), 0, 0, Qt::AlignBottom);
    grid->addWidget(edtDatabaseFile, 1, 0, Qt::AlignTop);
    grid->addWidget(btnBrowseDb, 0, 1, 2, 1);
    grid->setColumnStretch(0, 1);

    QVBoxLayout *layout = newPageLayout(pageSettings, title);
    layout->addSpacing(10);
    layout->addLayout(grid);
    layout->addStretch(1);
    return pageSettings;
}

QWidget *TfrmMain::BuildLogPage()
{
    pageLog = named(new QWidget(this), "pageLog");
    auto *title = new TPageTitle(QStringLiteral("Event Log"), pageLog);

    lvEvents = NewReportList(QStringLiteral("lvEvents"), TEventArchiveModel::Titles(), {120, 265, 95, 0, 68}, pageLog,
                             false);
    lvArchive = NewReportView(QStringLiteral("lvArchive"), pageLog, false);
    lvArchive->hide();
    chartArchive = new TVoltageChartView(pageLog);
    chartArchive->setMinimumHeight(170);
    chartArchive->hide();

    const QSize design(0, 41);
    btnDownloadEvents = newButton("btnDownloadEvents", QStringLiteral("Download from Beacon"),
                                  QStringLiteral("btn-download"), design, pageLog);
    btnDownloadEvents->setEnabled(false);
    btnSaveLogToFile =
        newButton("btnSaveLogToFile", QStringLiteral("Save to File"), QStringLiteral("btn-save"), design, pageLog);
    btnLoadLogFromFile =
        newButton("btnLoadLogFromFile", QStringLiteral("Load from File"), QStringLiteral("btn-load"), design, pageLog);
    btnPrintLog = newButton("btnPrintLog", QStringLiteral("Print"), QStringLiteral("btn-print"), design, pageLog);
    Button5 = newButton("Button5", QStringLiteral("Save to PDF"), QStringLiteral("btn-pdf"), design, pageLog);
    lblLogSource = named(newLabel(QString(), pageLog), "lblLogSource");
    btnEventArchive = newButton("btnEventArchive", QStringLiteral("Event Archive"), QStringLiteral("btn-load"),
                                QSize(0, 32), pageLog);
    title->Row()->addWidget(lblLogSource, 0, Qt::AlignBottom);
    btnLogHistory = newButton("btnLogHistory", QStringLiteral("Beacon History"), QStringLiteral("btn-load"),
                              QSize(0, 32), pageLog);
    title->Row()->addWidget(btnLogHistory, 0, Qt::AlignTop);
    title->Row()->addWidget(btnEventArchive, 0, Qt::AlignTop);
    btnOperationReport = newButton("btnOperationReport", QStringLiteral("Operation Report"), QStringLiteral("btn-print"),
                                   QSize(0, 32), pageLog);
    btnOperationReport->setEnabled(false); // for an archive shown
    title->Row()->addWidget(btnOperationReport, 0, Qt::AlignTop);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(4);
    // Five in a row: smaller icons leave their captions the room they need.
    for (QPushButton *button : {btnDownloadEvents, btnSaveLogToFile, btnLoadLogFromFile, btnPrintLog, Button5}) {
        button->setIconSize(QSize(16, 16));
        button->setMinimumSize(design.expandedTo(button->minimumSizeHint()));
        buttons->addWidget(button);
    }

    QVBoxLayout *layout = newPageLayout(pageLog, title);
    layout->addWidget(lvEvents, 1);
    layout->addWidget(chartArchive);
    layout->addWidget(lvArchive, 1);
    layout->addLayout(buttons);
    return pageLog;
}
