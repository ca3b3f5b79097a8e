#include "config/version.h"

#include <pvbcs_version.h> // generated from the project version

QString GetExeVersion()
{
    return QStringLiteral(PVBCS_VERSION_TEXT);
}

QString ApplicationId()
{
    return QStringLiteral(PVBCS_APP_ID);
}
