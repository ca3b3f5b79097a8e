#pragma once
#include <QString>

class QLabel;
class QWidget;

// The desktop's side of the maker's web site: pages open in the desktop's
// default browser (xdg-open), with their addresses unchanged.
void OpenMakerSite();
void OpenDownloadPage();

// A link label showing the maker's web address: blue, underlined, hand cursor;
// a click opens the site.
QLabel *NewWebSiteLink(QWidget *parent);
