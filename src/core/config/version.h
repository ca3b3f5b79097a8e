#pragma once
#include <QString>

// The program's four-part version (major.minor.release.build), compiled in once.
QString GetExeVersion();
// The application's reverse-DNS name on the desktop.
QString ApplicationId();
