#pragma once
#include "config/exceptions.h"
#include "protocol/beaconprotocol.h"
#include "store/calendar.h"
#include "store/schedule.h"
#include "transfer/settingsfile.h"

#include <QList>
#include <QLocale>
#include <QString>

class TProgressLog;

// A whole beacon configuration as plain values: what the controller holds,
// what a file would send, or what memory held when it was taken.
struct TBeaconConfig {
    TBeaconSettings Settings;
    QList<TScheduleRec> Schedule;
    QList<TCalendarRec> Calendar;
};

// BeaconSettings, DeviceSchedule and DeviceCalendar as they are now.
TBeaconConfig MemoryConfig();
void RestoreMemory(const TBeaconConfig &config);

// Puts memory back as it was when made, on every way out; for work that
// must use the codecs, which read into memory, without changing what the
// pages show.
class TMemoryKeeper {
public:
    TMemoryKeeper() : fSaved(MemoryConfig()) {}
    ~TMemoryKeeper() { RestoreMemory(fSaved); }
    TMemoryKeeper(const TMemoryKeeper &) = delete;
    TMemoryKeeper &operator=(const TMemoryKeeper &) = delete;

private:
    TBeaconConfig fSaved;
};

// The parts a settings file holds (a missing or empty file holds none).
TConfigParts FileParts(const QString &fileName);
// What an upload of the file's parts would send: the parts the file lacks
// keep base's values. Memory is left as it was.
TBeaconConfig FileConfig(const QString &fileName, const TConfigParts &parts, const TBeaconConfig &base);
// The same two for a settings file's bytes (from standard input, for one).
TConfigParts SettingsTextParts(const QByteArray &bytes);
TBeaconConfig SettingsTextConfig(const QByteArray &bytes, const TConfigParts &parts, const TBeaconConfig &base);
// Reads the controller's configuration with the download sequence (logged
// as a download is); memory is left as it was.
TBeaconConfig ReadBeaconConfig(TProgressLog &log, const TConfigParts &parts);

// Which values a comparison looks at.
struct TCompareScope {
    bool CommMode = false;
    bool Advanced = false; // flashing, brightness, radio and daylight-saving settings
    bool Schedule = false;
    bool Calendar = false; // the records with their names
    bool Names = false;    // the names alone, of the records both sides hold
};

// One value that differs, in plain words: the item ("Schedule record 3: OFF
// time") and its text on each side.
struct TConfigDifference {
    QString Item;
    QString OnBeacon;
    QString Other;
};

// The differences between the controller's configuration and another, item
// by item, in the order of the pages. A record that only one side holds is
// one difference, "none" on the other side.
QList<TConfigDifference> CompareConfigs(const TBeaconConfig &beacon, const TBeaconConfig &other,
                                        const TCompareScope &scope, const QLocale &locale = QLocale::system());

// "Schedule record 3: OFF time 08:30AM on the Beacon, 08:45AM in the file".
QString FileDifferenceText(const TConfigDifference &difference);

// What a verification found: the differences, one line each.
class EUploadDiffers : public Exception {
public:
    using Exception::Exception;
};

// After an upload with these options: reads back what was written (the
// download's commands for the parts uploaded, logged after the upload's
// lines) and compares it with memory, which keeps what was sent. Any
// difference raises EUploadDiffers naming each item with both values; a
// read the controller does not answer raises as a download does.
void VerifyUpload(TProgressLog &log, bool withAdvanced, bool withSchedule, bool withHolidays,
                  const QLocale &locale = QLocale::system());
