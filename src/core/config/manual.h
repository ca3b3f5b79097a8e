#pragma once
#include <QString>
#include <QStringList>

// The operator's manual: the page pvbcs.html with its pictures, in a folder
// "help" of its own. The window shows it at the chapter of what the operator
// is looking at.

// The folders the manual is looked for in, in this order: "help" beside the
// program (the build tree, or a copy unpacked anywhere), share/pvbcs/help
// under the program's own prefix, then pvbcs/help in each of the desktop's
// data folders (~/.local/share, /usr/local/share, /usr/share).
QStringList HelpFolders();
// Replaces the folders looked in, as a test does to see the build tree's copy
// whatever is installed; an empty list restores the ones above.
void SetHelpFolders(const QStringList &folders);
// The manual in the first folder that holds it; empty when none does.
QString HelpFileName();
// The operator's message for a manual that is nowhere: each folder looked in.
QString HelpNotFoundText();

// The chapters the window opens, by the page shown.
namespace HelpChapters {
inline constexpr const char *Overview = "Overview";
inline constexpr const char *ManageBeacons = "ManageBeacons";
inline constexpr const char *Libraries = "Libraries";
inline constexpr const char *Holidays = "Holidays";
inline constexpr const char *SoftwareSettings = "SoftwareSettings";
inline constexpr const char *EventLog = "EventLog";
}
