#include "transfer/settingsfile.h"

#include "store/device.h"
#include "store/inifile.h"
#include "transfer/advancedsettings.h"

namespace {
TIniFile Content(const TConfigParts &parts, const TAdvancedSettings &page, const QLocale &locale)
{
    TIniFile ini(locale);
    if (parts.Advanced)
        page.SaveToIni(&ini);
    if (parts.Schedule)
        DeviceSchedule().SaveToIniFile(ini);
    if (parts.Holidays)
        DeviceCalendar().SaveToIniFile(ini);
    return ini;
}
}

void SaveSettingsFile(const QString &fileName, const TConfigParts &parts, const TAdvancedSettings &page,
                      const QLocale &locale)
{
    // Built whole in memory and put in place in one step, so no section of an
    // older file survives and a failed write loses nothing.
    Content(parts, page, locale).SaveToFile(fileName);
}

QByteArray SettingsFileText(const TConfigParts &parts, const TAdvancedSettings &page, const QLocale &locale)
{
    return Content(parts, page, locale).ToBytes();
}

void LoadSettingsFile(const QString &fileName, const TConfigParts &parts, TAdvancedSettings &page,
                      const QLocale &locale)
{
    TIniFile ini(locale);
    ini.LoadFromFile(fileName);
    if (parts.Advanced)
        page.LoadFromIni(&ini);
    if (parts.Schedule)
        DeviceSchedule().LoadFromIniFile(ini);
    if (parts.Holidays)
        DeviceCalendar().LoadFromIniFile(ini);
}
