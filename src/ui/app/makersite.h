#pragma once
#include <QString>

class QLabel;
class QWidget;

// The desktop's side of the maker's web site and of the help: pages open in
// the desktop's default browser (xdg-open), with their addresses unchanged.
void OpenMakerSite();
void OpenDownloadPage();

// The help is the operator's manual, an HTML page with its pictures in a
// folder of its own: "help" beside the program in the build tree, the
// program's data folder (share/pvbcs/help) once installed. Empty when it is
// in neither place.
QString HelpFileName();
// Opens the help at a chapter ("Overview", ...); a missing help shows nothing.
void OpenHelpFile(const QString &chapter);

// A link label showing the maker's web address: blue, underlined, hand cursor;
// a click opens the site.
QLabel *NewWebSiteLink(QWidget *parent);
