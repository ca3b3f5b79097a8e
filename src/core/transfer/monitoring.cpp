#include "transfer/monitoring.h"

#include "config/messages.h"
#include "config/messageservice.h"
#include "link/dmcom.h"
#include "protocol/beaconprotocol.h"
#include "store/localetext.h"
#include "transfer/workflows.h"

namespace {
constexpr int StepCount = 4;

QString Field(const QString &text)
{
    return u' ' + text;
}

// Before the first clock reading the fields show the date system's day 0.
const QDateTime ClockNotRead(QDate(1899, 12, 30), QTime(0, 0));

// One read of the diagnostics; a failure of the line names the item.
bool Read(const char *item, bool (*codec)())
{
    const TLinkActivity activity(dmCOM(), Fmt(Msg::ActivityReading, QString::fromUtf8(item)));
    return codec();
}
}

bool SendOverride(quint8 mode, const QTime &until)
{
    const QTime end = mode != 0 && until.isValid() ? QTime(until.hour(), until.minute()) : QTime(0, 0);
    bool answered;
    {
        const TLinkActivity activity(dmCOM(), QString::fromUtf8(Msg::ActivityOverride));
        answered = WriteOverride(mode, end);
    }
    if (answered)
        Messages().Information(QString::fromUtf8(Msg::OverrideSet));
    else
        Messages().Error(QString::fromUtf8(Msg::OverrideNotSet));
    return answered;
}

double SupplyVoltage(int raw)
{
    return raw * 0.022831 + 0.3379;
}

TDiagnostics::TDiagnostics(const QLocale &locale) : fLocale(locale)
{
    fLocale.setNumberOptions(QLocale::OmitGroupSeparator);
    const QString empty = QString::fromUtf8(Msg::FieldNotFilled);
    lblStatusTime = lblStatusDate = lblStatusVoltage = lblStatusBeacon = lblStateOverride = lblSwitchState = empty;
}

void TDiagnostics::Tick()
{
    switch (fStep) {
    case 0:
        NoteRead(Read(Msg::ItemClock, ReadClock));
        break;
    case 1:
        Refresh();
        break;
    case 2:
        NoteRead(Read(Msg::ItemLiveValues, ReadLiveValues));
        break;
    case 3:
        NoteRead(Read(Msg::ItemOverrideStatus, ReadOverrideStatus));
        break;
    }
    fStep = (fStep + 1) % StepCount;
}

void TDiagnostics::NoteRead(bool answered)
{
    if (answered)
        fLastReadAt = QDateTime::currentDateTime();
}

void TDiagnostics::Refresh()
{
    fShownReadAt = fLastReadAt;
    const QDateTime clock = BeaconSettings.ClockValue.isValid() ? BeaconSettings.ClockValue : ClockNotRead;
    lblStatusTime = Field(Fmt(Msg::StatusTime, TimeToText(clock.time(), fLocale)));
    lblStatusDate = Field(Fmt(Msg::StatusDate, DateToText(clock.date(), fLocale)));
    const QString volts = fLocale.toString(SupplyVoltage(BeaconStatus.LiveValues[1]), 'f', 2).rightJustified(4);
    lblStatusVoltage = Field(Fmt(Msg::StatusVoltage, volts));
    lblStatusBeacon = Field(QString::fromUtf8(BeaconStatus.BeaconOn ? Msg::BeaconIsOn : Msg::BeaconIsOff));
    // An unknown position or state leaves its field as it was.
    if (BeaconStatus.SwitchPosition < 3)
        lblSwitchState = Field(QString::fromUtf8(Msg::SwitchPositionNames[BeaconStatus.SwitchPosition]));
    if (BeaconStatus.OverrideState < 3)
        lblStateOverride = Field(QString::fromUtf8(Msg::OverrideStateNames[BeaconStatus.OverrideState]));
}

QString TDiagnostics::StaleNote() const
{
    if (!fShownReadAt.isValid())
        return QString::fromUtf8(Msg::ReadingsNeverRead);
    QString when = TimeToText(fShownReadAt.time(), fLocale);
    if (fShownReadAt.date() != QDate::currentDate())
        when = DateToText(fShownReadAt.date(), fLocale) + u' ' + when;
    return Fmt(Msg::ReadingsStale, when);
}

void TDiagnostics::RunCycle()
{
    using TRead = std::pair<const char *, bool (*)()>;
    for (auto [item, codec] : {TRead{Msg::ItemClock, ReadClock}, TRead{Msg::ItemLiveValues, ReadLiveValues},
                               TRead{Msg::ItemOverrideStatus, ReadOverrideStatus}})
        RequireAnswer(Read(item, codec), QString::fromUtf8(item));
    NoteRead(true);
    Refresh();
}

QStringList TDiagnostics::Fields() const
{
    return {lblStatusTime, lblStatusDate, lblStatusVoltage, lblStatusBeacon, lblStateOverride, lblSwitchState};
}
