#include "transfer/settingsfile.h"

#include "store/device.h"
#include "store/inifile.h"

namespace {
TBeaconConfiguration ReadConfiguration(const TIniFile &ini, const TConfigParts &parts, const TAdvancedSettings &page)
{
    TBeaconConfiguration configuration{page, {}, {}};
    if (parts.Advanced)
        configuration.Advanced.LoadFromIni(&ini);
    if (parts.Schedule)
        configuration.Schedule = TSchedule::ReadIniFile(ini);
    if (parts.Holidays)
        configuration.Calendar = TCalendar::ReadIniFile(ini);
    return configuration;
}
}

TBeaconConfiguration ReadSettingsText(const QByteArray &bytes, const TConfigParts &parts,
                                      const TAdvancedSettings &page, const QLocale &locale)
{
    TIniFile ini(locale);
    ini.LoadFromBytes(bytes);
    return ReadConfiguration(ini, parts, page);
}

namespace {
TIniFile Content(const TConfigParts &parts, const TAdvancedSettings &page, const QLocale &locale,
                 bool checkNames = true)
{
    TIniFile ini(locale);
    if (parts.Advanced)
        page.SaveToIni(&ini);
    if (parts.Schedule)
        DeviceSchedule().SaveToIniFile(ini);
    if (parts.Holidays)
        DeviceCalendar().SaveToIniFile(ini, checkNames);
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
    return Content(parts, page, locale, false).ToBytes();
}

namespace {
void Load(const TIniFile &ini, const TConfigParts &parts, TAdvancedSettings &page)
{
    // Every chosen part is read and checked before any of them changes.
    const TBeaconConfiguration configuration = ReadConfiguration(ini, parts, page);
    if (parts.Advanced)
        page = configuration.Advanced;
    if (parts.Schedule)
        DeviceSchedule().SetRecords(configuration.Schedule);
    if (parts.Holidays)
        DeviceCalendar().SetRecords(configuration.Calendar);
}
}

void LoadSettingsFile(const QString &fileName, const TConfigParts &parts, TAdvancedSettings &page,
                      const QLocale &locale)
{
    TIniFile ini(locale);
    ini.LoadFromFile(fileName);
    Load(ini, parts, page);
}

void LoadSettingsText(const QByteArray &bytes, const TConfigParts &parts, TAdvancedSettings &page,
                      const QLocale &locale)
{
    TIniFile ini(locale);
    ini.LoadFromBytes(bytes);
    Load(ini, parts, page);
}
