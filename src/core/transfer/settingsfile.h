#pragma once
#include <QLocale>
#include <QString>

class TAdvancedSettings;

// Which parts of a beacon configuration a transfer or a settings file covers.
struct TConfigParts {
    bool Schedule = true;
    bool Holidays = true;
    bool Advanced = true;
};

// "Save to File": writes the chosen parts (the advanced settings from the
// page, DeviceSchedule, DeviceCalendar) as a new settings file that replaces
// any file of that name completely. Dates and times are written in the
// locale's formats. A file that cannot be written raises "Unable to write to
// %s" and leaves an existing file as it was.
void SaveSettingsFile(const QString &fileName, const TConfigParts &parts, const TAdvancedSettings &page,
                      const QLocale &locale = QLocale::system());

// The text SaveSettingsFile would write, for keeping a configuration elsewhere.
QByteArray SettingsFileText(const TConfigParts &parts, const TAdvancedSettings &page,
                            const QLocale &locale = QLocale::system());

// "Load from File": reads the chosen parts into the page, DeviceSchedule and
// DeviceCalendar; the other parts keep their content. A missing file reads as
// empty. The caller redraws both record lists afterwards, whatever happened.
void LoadSettingsFile(const QString &fileName, const TConfigParts &parts, TAdvancedSettings &page,
                      const QLocale &locale = QLocale::system());
