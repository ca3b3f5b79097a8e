#include "fleet/visit.h"

#include "config/errorhandler.h"
#include "config/messages.h"
#include "config/messageservice.h"
#include "eventlog/eventdownload.h"
#include "fleet/fleetmessages.h"
#include "history/configcompare.h"
#include "history/recorder.h"
#include "link/dmcom.h"
#include "protocol/beaconprotocol.h"
#include "store/datamodule.h"
#include "transfer/advancedsettings.h"
#include "transfer/settingsfile.h"
#include "transfer/workflows.h"

namespace {
// One visit's steps, in order; each returns false when the visit ends there,
// with the reason in the result.
class TVisit {
public:
    TVisit(const TFleetBeacon &beacon, const TVisitOptions &options, const std::function<bool()> &stopRequested,
           TVisitResult &result)
        : fBeacon(beacon), fOptions(options), fStopRequested(stopRequested), fResult(result)
    {
    }

    bool Identify();
    bool MeasureDrift(qint64 actionId);
    bool Events();
    bool Compare();
    bool SetClock();
    bool Upload();

    // Between steps: whether the operator asked to stop before the next one.
    bool Stopped(const char *next)
    {
        if (!fStopRequested || !fStopRequested())
            return false;
        fResult.Interrupted = true;
        fResult.Error = Fmt(Msg::VisitStopped, QString::fromUtf8(next));
        return true;
    }

private:
    bool Fail(const QString &why)
    {
        fResult.Error = why;
        return false;
    }

    const TFleetBeacon &fBeacon;
    const TVisitOptions &fOptions;
    const std::function<bool()> &fStopRequested;
    TVisitResult &fResult;
    TSilentLog fLog;
    TActionTarget fTarget;
    QByteArray fAssigned; // the assigned configuration's text, when there is one
    TConfigParts fParts;  // the parts it holds
};

bool TVisit::Identify()
{
    TdmCOM &link = dmCOM();
    QString silence = Fmt(Msg::CliNoAnswer, link.PortName());
    bool answered = false;
    try {
        answered = link.Identify() && !link.SignSerial().isEmpty();
    } catch (const Exception &e) {
        silence = e.Message();
    }
    if (!answered) {
        TRecordedAction record(ConnectedController(), THistoryRegister::Identify, {});
        record.SetOutcome(silence);
        return Fail(silence);
    }
    fTarget = ConnectedController();
    // The row NoteIdentity would write, whose id the contact names.
    TRecordedAction record(fTarget, THistoryRegister::Identify, {});
    const qint64 identifyId = record.Write();

    // Another controller at the address is never taken for this beacon.
    const QString serial = fTarget.Serial;
    if (!fBeacon.Serial.isEmpty() && serial != fBeacon.Serial)
        return Fail(Fmt(Msg::VisitWrongSerial, serial, fBeacon.Serial));
    if (fBeacon.Serial.isEmpty()) {
        TFleetInventory inventory(DM());
        if (const std::optional<TFleetBeacon> other = inventory.BeaconWithSerial(serial); other && other->Id != fBeacon.Id)
            return Fail(Fmt(Msg::VisitSerialTaken, serial, other->Name));
        // Read again: only the serial number is the visit's to change.
        TFleetBeacon filled = inventory.Beacon(fBeacon.Name).value_or(fBeacon);
        filled.Serial = serial;
        inventory.Update(filled);
    }
    fResult.Serial = serial;
    fResult.Reached = true;
    return MeasureDrift(identifyId);
}

// Controller clock minus the workstation's local time when the reply came.
bool TVisit::MeasureDrift(qint64 actionId)
{
    RequireAnswer(ReadClock(), QString::fromUtf8(Msg::ItemClock));
    const QDateTime now = QDateTime::currentDateTime();
    fResult.DriftSeconds = now.secsTo(BeaconSettings.ClockValue);
    try {
        TFleetInventory(DM()).RecordContact({fResult.Serial, now.toUTC(), fResult.DriftSeconds, actionId});
    } catch (const Exception &e) {
        // As the register's own rows: a lost record never stops the visit.
        Messages().Warning(Fmt(Msg::RegisterNotWritten, e.Message()));
    }
    return true;
}

bool TVisit::Events()
{
    const TEventLogDownload download = DownloadEventLog(nullptr);
    fResult.EventsAdded = History().RecordEventDownload(fTarget, download);
    if (download.Complete())
        return true;
    return Fail(download.Problem().isEmpty() ? Fmt(Msg::CliNoAnswer, fTarget.Port) : download.Problem());
}

// Reads the whole configuration, recorded as a download with its text, and
// compares the parts the assigned configuration holds.
bool TVisit::Compare()
{
    TBeaconConfig onBeacon;
    {
        TRecordedAction record(fTarget, THistoryRegister::Download, TransferOptions(true, true, true));
        record.Run([this] { DownloadFromBeacon(fLog, true, true, true); });
        TAdvancedSettings page;
        page.ShowSettings(BeaconSettings);
        record.KeepConfig([&page] { return SettingsFileText({}, page); });
        onBeacon = MemoryConfig();
    }
    if (fBeacon.AssignedConfig.isEmpty()) {
        // Nothing to compare or upload; the clock may still be set.
        fResult.Error = QString::fromUtf8(Msg::DueNoAssigned);
        return true;
    }
    fAssigned = fBeacon.AssignedConfig;
    fParts = SettingsTextParts(fAssigned);
    const TBeaconConfig assigned = SettingsTextConfig(fAssigned, fParts, onBeacon);
    TCompareScope scope;
    scope.Advanced = fParts.Advanced;
    scope.Schedule = fParts.Schedule;
    scope.Calendar = fParts.Holidays;
    for (const TConfigDifference &d : CompareConfigs(onBeacon, assigned, scope))
        fResult.Differences << Fmt(Msg::VisitDifference, d.Item, d.OnBeacon, d.Other);
    fResult.AsAssigned = fResult.Differences.isEmpty();
    return true;
}

// The clock alone, recorded as an upload of the clock.
bool TVisit::SetClock()
{
    TRecordedAction record(fTarget, THistoryRegister::Upload, TransferOptions(false, false, false, true));
    record.Run([] { RequireAnswer(WriteClock(QDateTime::currentDateTime()), QString::fromUtf8(Msg::ItemClock)); });
    fResult.ClockSet = true;
    return MeasureDrift(record.Write());
}

// The assigned configuration as the command-line upload sends a file, with
// the clock when asked and the verification that reads it back.
bool TVisit::Upload()
{
    TAdvancedSettings page;
    LoadSettingsText(fAssigned, fParts, page);
    page.SetSettings(BeaconSettings);
    BeaconSettings.CommMode = 2;
    CheckUploadConfiguration(fParts.Advanced, fParts.Schedule, fParts.Holidays);
    const bool clock = fOptions.SyncClock;
    TRecordedAction record(fTarget, THistoryRegister::Upload,
                           TransferOptions(fParts.Schedule, fParts.Holidays, fParts.Advanced, clock, fOptions.Verify));
    record.KeepConfig([&] { return SettingsFileText(fParts, page); });
    record.Run([&] { UploadToBeacon(fLog, fParts.Advanced, clock, fParts.Schedule, fParts.Holidays); });
    fResult.Uploaded = true;
    fResult.ClockSet = clock;
    if (fOptions.Verify) {
        record.Run([&] { VerifyUpload(fLog, fParts.Advanced, fParts.Schedule, fParts.Holidays); });
        fResult.AsAssigned = true;
    }
    return !clock || MeasureDrift(record.Write());
}
}

TVisitResult VisitBeacon(const TFleetBeacon &beacon, const TVisitOptions &options,
                         const std::function<bool()> &stopRequested)
{
    TVisitResult result;
    result.Name = beacon.Name;
    result.Serial = beacon.Serial;
    TVisit visit(beacon, options, stopRequested, result);
    try {
        if (!visit.Identify() || visit.Stopped(Msg::VisitStepEvents) || !visit.Events() ||
            visit.Stopped(Msg::VisitStepConfig) || !visit.Compare())
            return result;
        const bool upload = options.UploadAssigned && !result.AsAssigned && !beacon.AssignedConfig.isEmpty();
        if (options.SyncClock && !upload && (visit.Stopped(Msg::VisitStepSetClock) || !visit.SetClock()))
            return result;
        if (upload && !visit.Stopped(Msg::VisitStepUpload))
            visit.Upload();
    } catch (...) {
        // A step the controller did not answer, or a refused configuration:
        // the register has its outcome, the result its reason.
        result.Error = ExceptionText(std::current_exception());
    }
    return result;
}
