// Pavoline Beacon Control: start-up in a fixed order. The configuration store
// comes first, then the window and the data modules; the main window's first
// show opens the library database.
#include "app/application.h"
#include "app/dialogmessageservice.h"
#include "app/frmaboutbox.h"
#include "app/frmloadsettings.h"
#include "app/frmmain.h"
#include "app/frmportsearch.h"
#include "app/frmsavesettings.h"
#include "config/appconfig.h"
#include "config/commandline.h"
#include "config/manual.h"
#include "config/version.h"
#include "link/dmcom.h"
#include "manual/pvbcs.h"
#include "monitor/fprogbar.h"
#include "monitor/frmcomprogress.h"
#include "monitor/frmrealtime.h"
#include "monitor/frmreport.h"
#include "monitor/transferdialogs.h"
#include "pages/childcalendarlist.h"
#include "pages/childschedulelist.h"
#include "pages/frmcalendarrec.h"
#include "pages/frmitemselect.h"
#include "pages/frmschedulerec.h"
#include "store/datamodule.h"
#include "store/device.h"
#include "store/windowhandover.h"

#include <QEvent>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>

namespace {
// The window takes no options of its own; these two are answered on the
// terminal, without a window or a display.
std::optional<int> TerminalAnswer(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const bool version = std::strcmp(argv[i], "--version") == 0;
        if (!version && std::strcmp(argv[i], "--help") != 0 && std::strcmp(argv[i], "-h") != 0)
            continue;
        QCoreApplication app(argc, argv);
        if (version) {
            std::printf("pvbcs %s\n", qPrintable(GetExeVersion()));
        } else {
            const QString manual = HelpFileName();
            std::printf("%s\nThe operator's manual: %s\n", ManualHelp(kManualPage).toLocal8Bit().constData(),
                        qPrintable(manual.isEmpty() ? QStringLiteral("not installed") : manual));
        }
        return 0;
    }
    return std::nullopt;
}

// The settings files named on the command line, as the file manager's "Open"
// gives them; Qt has taken its own options out already.
QStringList GivenFiles(const QStringList &arguments)
{
    QStringList files;
    for (const QString &argument : arguments.mid(1))
        if (!argument.startsWith(u'-'))
            files << argument;
    return files;
}

// For bench/startup_bench: with PVBCS_STOP_WHEN_SHOWN set, the program stops
// itself (SIGSTOP) once its main window has been painted for the first time,
// so that the measuring parent reads the time and the resident memory of that
// moment before it ends the program. Nothing else changes.
class TStopWhenShown : public QObject {
public:
    explicit TStopWhenShown(const QWidget &window) : fWindow(window) { qApp->installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType()
            && static_cast<QWidget *>(watched)->window() == &fWindow) {
            qApp->removeEventFilter(this);
            // Queued: the rest of the window is painted in the same pass.
            QMetaObject::invokeMethod(
                this, [] { std::raise(SIGSTOP); }, Qt::QueuedConnection);
        }
        return false;
    }

private:
    const QWidget &fWindow;
};
}

int main(int argc, char **argv)
{
    if (const std::optional<int> answered = TerminalAnswer(argc, argv))
        return *answered;
    TApplication app(argc, argv);
    // Qt has taken its own options (-platform, -style, ...) out of argv; what
    // is left are settings files.
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-') {
            std::fprintf(stderr, "pvbcs: unexpected option \"%s\"\nTry \"pvbcs --help\" for more information.\n",
                         argv[i]);
            return ExitUsage;
        }
    }
    TDialogMessageService messages;
    TMessageService::Install(&messages);

    TAppConfig config;
    // One window per library: the window that has it open takes the files.
    const QStringList files = GivenFiles(app.arguments());
    if (!files.isEmpty() && TWindowHandover::HandOver(config.DBName(), files)) {
        TMessageService::Install(nullptr);
        return 0;
    }
    // The beacon's schedule and calendar exist before any window: the main
    // window binds its beacon pages to them when it is created.
    DeviceSchedule();
    DeviceCalendar();

    TfrmMain frmMain; // 1
    TDM dm;           // 2
    TfrmCalendarRec frmCalendarRec; // 3
    TfrmScheduleRec frmScheduleRec; // 4
    TdmCOM dmCom;     // 5
    TfrmPortSearch frmPortSearch; // 6
    TfrmItemSelect frmItemSelect; // 7
    TfrmComProgress frmComProgress; // 8
    TfrmRealTime frmRealTime; // 9
    TfrmReport frmReport; // 10
    TfrmAboutBox frmAboutBox; // 11
    TfrmSaveSettings frmSaveSettings(*frmMain.AdvancedSettingsPage); // 12
    TfrmLoadSettings frmLoadSettings(*frmMain.AdvancedSettingsPage, *frmMain.BeaconScheduleRecords,
                                     *frmMain.BeaconCalendarRecords); // 13
    TfDownloadSettings fDownloadSettings(frmMain); // 14
    TfULoadSettings fULoadSettings(frmMain); // 15
    TfProgBar fProgBar; // 16
    frmMain.OpenSettingsFiles(files);

    std::optional<TStopWhenShown> stopWhenShown;
    if (qEnvironmentVariableIsSet("PVBCS_STOP_WHEN_SHOWN"))
        stopWhenShown.emplace(frmMain);
    frmMain.show();
    const int rc = app.exec();
    TMessageService::Install(nullptr);
    return rc;
}
