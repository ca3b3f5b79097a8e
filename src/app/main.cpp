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
#include "link/dmcom.h"
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

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    TDialogMessageService messages;
    TMessageService::Install(&messages);

    TAppConfig config;
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

    frmMain.show();
    const int rc = app.exec();
    TMessageService::Install(nullptr);
    return rc;
}
