#pragma once
#include "history/configcompare.h"
#include "history/register.h"

#include <QTemporaryDir>

// A configuration the register kept with an upload or a download, worked
// as the settings file it is: opened into the Beacon's pages, saved as a
// file, compared with another.
class TRecordedConfig {
public:
    // Raises Exception when the register holds no configuration for the action.
    TRecordedConfig(const THistoryRegister &reg, qint64 id);
    TRecordedConfig(const TRecordedConfig &) = delete;
    TRecordedConfig &operator=(const TRecordedConfig &) = delete;

    const TActionRecord &Action() const { return fAction; }
    TConfigParts Parts() const { return FileParts(fFileName); }
    // Raises "Unable to write to %s" and leaves an existing file as it was
    // when the file cannot be written.
    void SaveAs(const QString &fileName) const;
    // Into the page, DeviceSchedule and DeviceCalendar, as Load from File
    // does: the parts it holds, checked whole before any changes.
    void Load(TAdvancedSettings &page) const;
    // The parts it holds; the others as in base.
    TBeaconConfig Config(const TBeaconConfig &base = {}) const;

private:
    TActionRecord fAction;
    QTemporaryDir fFolder;
    QString fFileName; // the settings file in fFolder
};

// The differences between two recorded configurations, in the parts both hold.
QList<TConfigDifference> CompareRecorded(const TRecordedConfig &first, const TRecordedConfig &second,
                                         const QLocale &locale = QLocale::system());
// "Schedule record 3: OFF time 08:30AM in #12, 08:45AM in #15".
QString RecordedDifferenceText(const TConfigDifference &difference, qint64 firstId, qint64 secondId);
