// Pavoline Beacon Control: start-up in a fixed order. The configuration store
// comes first, then the window and the data modules; the main window's first
// show opens the library database.
#include "app/application.h"
#include "app/dialogmessageservice.h"
#include "app/frmmain.h"
#include "config/appconfig.h"
#include "store/datamodule.h"

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    TDialogMessageService messages;
    TMessageService::Install(&messages);

    TAppConfig config;

    TfrmMain frmMain; // 1
    TDM dm;           // 2

    frmMain.show();
    const int rc = app.exec();
    TMessageService::Install(nullptr);
    return rc;
}
