// Pavoline Beacon Control: start-up in a fixed order. The configuration store
// comes first, then the window and the data modules; the main window's first
// show opens the library database.
#include "app/application.h"
#include "app/dialogmessageservice.h"
#include "app/frmaboutbox.h"
#include "app/frmmain.h"
#include "app/frmportsearch.h"
#include "config/appconfig.h"
#include "link/dmcom.h"
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
    TdmCOM dmCom;     // 5
    TfrmPortSearch frmPortSearch; // 6
    TfrmAboutBox frmAboutBox; // 11

    frmMain.show();
    const int rc = app.exec();
    TMessageService::Install(nullptr);
    return rc;
}
