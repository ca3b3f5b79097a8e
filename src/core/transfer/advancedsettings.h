#pragma once
#include "protocol/beaconprotocol.h"

#include <QDate>
#include <QStringList>
#include <QTime>
#include <QTimeZone>
#include <functional>

class TIniFile;

// Day numbers of the DST rule count from 2 January 2010 (day 0), one day later
// than calendar and event day numbers; 1 January 2010, the page's "no daylight
// saving", is day -1.
int DstDayFromDate(const QDate &date);
QDate DstDayToDate(int day);

// The advanced settings page as plain values: one member per control, the
// rules that tie the controls together, and the conversions to and from
// BeaconSettings and the settings file. A page shows the members and, after
// an operator change, sets the member, runs the rule named for the control
// and shows all members again. Setting a member directly is a change made by
// the program and runs no rule.
class TAdvancedSettings {
public:
    static constexpr int BrightnessLowest = 10;
    static constexpr int BrightnessHighest = 100;
    static constexpr int BrightnessStep = 10; // what an arrow key moves a handle by

    // The items of the lists, in index order.
    static QStringList FlashPatternItems();
    static QStringList FlashSpeedItems();
    static QStringList BeaconRoleItems();
    static QStringList LinkChannelItems();
    static QStringList OffsetItems();

    // The page's state when it is created, with the DST fields filled by
    // "Auto Set" from the workstation's time zone.
    TAdvancedSettings();

    bool UseMUTCD = true;              // cbUseMUTCD
    int BrightnessMin = 10;            // rangeBrightness, lower handle, percent
    int BrightnessMax = 100;           // rangeBrightness, upper handle, percent
    QDate DateDST1;                    // dtDate1, "Shift to DST on:"
    QDate DateDST2;                    // dtDate2, "Shift to Standard:"
    QTime TimeDST{0, 0};               // dtChangeTime, "Shift Time:"
    int OffsetIndex = 1;               // cbOffset; -1 nothing selected
    int FlashPattern = 4;              // cbFlashPattern
    int FlashSpeed = 2;                // cbFlashSpeed
    bool FlashSpeedEnabled = true;
    int BeaconRole = 0;                // cbZBeeMode
    int LinkChannel = 0;               // cbZBeeChannel
    bool LinkChannelEnabled = false;

    // Puts both handles of the range bar, each kept within the bar's limits.
    void SetBrightness(int lower, int upper);

    // The pattern rule, after an operator change of the pattern or the speed.
    void cbFlashPatternChange();
    // The MUTCD rule, after every change of UseMUTCD.
    void cbUseMUTCDClick();
    // The role rule, after an operator change of the role; the slave warning
    // goes through the message service, once ShowRuleResult has shown what
    // the rule changed (the channel list enabled).
    void cbZBeeModeChange();
    // What a page showing these settings runs to show them; nothing by default.
    std::function<void()> ShowRuleResult;
    // "Auto Set": the DST dates, shift time and offset from the workstation's
    // time zone in the current year; the overload takes both for tests.
    void btnSetDSTClick();
    void btnSetDSTClick(const QTimeZone &zone, int year);

    // The page into settings (before an upload). A list with nothing selected
    // leaves its field as it was, as the blank offset item does.
    void SetSettings(TBeaconSettings &settings) const;
    // Settings onto the page (after a download), then the pattern and role rules.
    void ShowSettings(const TBeaconSettings &settings);

    // The ten advanced keys of the settings file's "General" section, the DST
    // date and time keys each with its ISO companion. Loading sets the
    // members without running any rule; a DST key that cannot be read, is
    // ambiguous or lies outside what the controller holds refuses the file
    // with an Exception naming the key, and nothing changes. Without a file
    // both do nothing.
    void SaveToIni(TIniFile *ini) const;
    void LoadFromIni(const TIniFile *ini);

private:
    // Sets UseMUTCD; a change runs the MUTCD rule, as a click would.
    void SetUseMUTCD(bool checked);
};
