#pragma once
#include "store/calendar.h"
#include "store/schedule.h"
#include "transfer/advancedsettings.h"

#include <QByteArray>
#include <QList>
#include <QLocale>
#include <QString>

// Which parts of a beacon configuration a transfer or a settings file covers.
struct TConfigParts {
    bool Schedule = true;
    bool Holidays = true;
    bool Advanced = true;
};

// A beacon configuration as a settings file gives it: the advanced settings
// page's values and the beacon's two tables.
struct TBeaconConfiguration {
    TAdvancedSettings Advanced;
    QList<TScheduleRec> Schedule;
    QList<TCalendarRec> Calendar;
};

// The core of "Load from File", without widgets, database or line: the
// chosen parts of a settings file's bytes, read and checked whole. The
// advanced settings start from page (the parts not chosen keep it, and the
// tables stay empty). A file that cannot be taken raises an Exception whose
// message names the key and the text as written.
//
// What it returns is what the controller can hold: put into BeaconSettings
// (TAdvancedSettings::SetSettings), DeviceSchedule and DeviceCalendar, it is
// either refused by CheckUploadConfiguration with a message, or written in
// frames that read back to the same settings and tables.
TBeaconConfiguration ReadSettingsText(const QByteArray &bytes, const TConfigParts &parts,
                                      const TAdvancedSettings &page, const QLocale &locale);

// "Save to File": writes the chosen parts (the advanced settings from the
// page, DeviceSchedule, DeviceCalendar) as a new settings file that replaces
// any file of that name completely. Dates and times are written in the
// locale's formats, each with an ISO 8601 companion. A file that cannot be
// written raises "Unable to write to %s" and leaves an existing file as it
// was; so does a calendar name with a control character, which is refused.
void SaveSettingsFile(const QString &fileName, const TConfigParts &parts, const TAdvancedSettings &page,
                      const QLocale &locale = QLocale::system());

// The text SaveSettingsFile would write, for keeping a configuration
// elsewhere (the register); a calendar name with a control character, which
// a file refuses, is kept as it is.
QByteArray SettingsFileText(const TConfigParts &parts, const TAdvancedSettings &page,
                            const QLocale &locale = QLocale::system());

// "Load from File": reads the chosen parts into the page, DeviceSchedule and
// DeviceCalendar; the other parts keep their content. A missing file reads as
// empty. A file that ReadSettingsText refuses changes nothing. The caller
// redraws both record lists afterwards, whatever happened.
void LoadSettingsFile(const QString &fileName, const TConfigParts &parts, TAdvancedSettings &page,
                      const QLocale &locale = QLocale::system());
// The same for a settings file's bytes (from standard input, for one).
void LoadSettingsText(const QByteArray &bytes, const TConfigParts &parts, TAdvancedSettings &page,
                      const QLocale &locale = QLocale::system());
