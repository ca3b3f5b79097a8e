// Settings files, hostile or damaged, along the whole road to the
// controller, read as one of three locales reads them (chosen by the file's
// hash, so the same file always meets the same one). ReadSettingsText either
// refuses a file with a message or gives a configuration that
//  - written to a file again, loads the same, and
//  - is refused with a message by the upload check, or goes out in frames
//    through the link to a simulated controller and reads back the same.
// Any other outcome aborts.
#include "config/exceptions.h"
#include "fuzzline.h"
#include "link/frame.h"
#include "protocol/beaconprotocol.h"
#include "sim/beaconcontroller.h"
#include "store/device.h"
#include "transfer/settingsfile.h"
#include "transfer/workflows.h"

#include <QCoreApplication>
#include <QSet>
#include <cstdio>
#include <cstdlib>

namespace {
TFuzzLine *line = nullptr;
TBeaconController *controller = nullptr;
const TAdvancedSettings *startPage = nullptr; // the page before any file, as the program starts
QByteArray file;
// What has gone through the controller already; a configuration that comes
// round again need not, as the fuzzer gives the same one many times.
QSet<QString> sent;
constexpr int MaxRemembered = 20000;

void Require(bool holds, const char *what, const QString &detail = {})
{
    if (holds)
        return;
    std::fprintf(stderr, "broken: %s %s\nfile: %s\n", what, qPrintable(detail), file.toPercentEncoding("\r\n ").constData());
    std::abort();
}

// A configuration as a settings file gives it, field by field.
QStringList Fields(const TBeaconConfiguration &c)
{
    const TAdvancedSettings &a = c.Advanced;
    QStringList fields;
    for (const int value : {a.BrightnessMin, a.BrightnessMax, a.FlashPattern, a.FlashSpeed, a.LinkChannel,
                            a.BeaconRole, a.OffsetIndex})
        fields << QString::number(value);
    fields << a.DateDST1.toString(Qt::ISODate) << a.DateDST2.toString(Qt::ISODate) << a.TimeDST.toString(Qt::ISODate);
    for (const TScheduleRec &r : c.Schedule)
        for (const int value : {r.id, r.CalendarID, int(r.RecDay), r.RecOnTime, r.RecOffTime})
            fields << QString::number(value);
    for (const TCalendarRec &r : c.Calendar) {
        for (const int value : {r.id, r.CalendarID, r.DayNum, r.Days, int(r.DayMode)})
            fields << QString::number(value);
        fields << r.name;
    }
    return fields;
}

// What the controller is to hold of BeaconSettings and the beacon's tables.
QStringList Wire()
{
    const TBeaconSettings &b = BeaconSettings;
    QStringList wire;
    for (const int value : {int(b.BrightnessRange), int(b.FlashPattern), int(b.FlashSpeed), int(b.BeaconRole),
                            int(b.LinkChannel), b.DstStartDay, b.DstEndDay, b.DstShiftTime, b.DstOffset})
        wire << QString::number(value);
    for (int i = 0; i < DeviceSchedule().Count(); ++i) {
        const TScheduleRec r = DeviceSchedule().Records(i);
        wire << QStringLiteral("%1 %2 %3").arg(r.RecDay).arg(r.RecOnTime).arg(r.RecOffTime);
    }
    wire << QStringLiteral("-"); // ends the schedule
    for (int i = 0; i < DeviceCalendar().Count(); ++i) {
        const TCalendarRec r = DeviceCalendar().Records(i);
        wire << QStringLiteral("%1 %2 %3").arg(r.DayNum).arg(r.Days).arg(r.DayMode) << r.name;
    }
    return wire;
}

void SaveAndLoadAgain(const TBeaconConfiguration &configuration, const QLocale &locale)
{
    DeviceSchedule().SetRecords(configuration.Schedule);
    DeviceCalendar().SetRecords(configuration.Calendar);
    const QByteArray text = SettingsFileText({}, configuration.Advanced, locale);
    QString error;
    TBeaconConfiguration again{*startPage, {}, {}};
    try {
        again = ReadSettingsText(text, {}, *startPage, locale);
    } catch (const Exception &e) {
        error = e.Message();
    }
    Require(error.isEmpty(), "a file written from what loaded is refused:", error + u'\n' + QString::fromLatin1(text));
    Require(Fields(again) == Fields(configuration), "a file written from what loaded loads otherwise:",
            QString::fromLatin1(text) + Fields(again).join(u'|'));
}

// Upload as UploadToBeacon writes the configuration, then read it back.
void SendAndReadBack()
{
    const QStringList before = Wire();
    const QString key = before.join(u'\n');
    if (sent.contains(key))
        return;
    if (sent.size() >= MaxRemembered)
        sent.clear();
    sent.insert(key);
    QString error;
    try {
        RequireAnswer(WriteAdvancedSettings() && WriteDstSettings() && WriteSchedule() && WriteCalendar(),
                      QStringLiteral("writing"));
        const int names = DeviceCalendar().Count();
        for (int i = 0; i < names; ++i)
            RequireAnswer(WriteCalendarName(quint8(i)), QStringLiteral("a name"));
        BeaconSettings = TBeaconSettings();
        DeviceSchedule().Clear();
        DeviceCalendar().Clear();
        RequireAnswer(ReadAdvancedSettings() && ReadDstSettings() && ReadSchedule() > 0 && ReadCalendar() > 0,
                      QStringLiteral("reading"));
        for (int i = 0; i < names; ++i)
            RequireAnswer(ReadCalendarName(quint8(i)), QStringLiteral("a name"));
    } catch (const Exception &e) {
        error = e.Message();
    }
    Require(error.isEmpty(), "an upload the check let through failed:", error);
    Require(Wire() == before, "the controller gives back another configuration:",
            Wire().join(u'|') + QStringLiteral(" instead of ") + before.join(u'|'));
}

void Check(const QLocale &locale)
{
    TBeaconConfiguration configuration{*startPage, {}, {}};
    try {
        configuration = ReadSettingsText(file, {}, *startPage, locale);
    } catch (const Exception &e) {
        Require(!e.Message().isEmpty(), "refused without a message");
        return;
    }
    SaveAndLoadAgain(configuration, locale);
    BeaconSettings = TBeaconSettings();
    configuration.Advanced.SetSettings(BeaconSettings);
    DeviceSchedule().SetRecords(configuration.Schedule);
    DeviceCalendar().SetRecords(configuration.Calendar);
    try {
        CheckUploadConfiguration(true, true, true);
    } catch (const Exception &e) {
        Require(!e.Message().isEmpty(), "refused for upload without a message");
        return;
    }
    SendAndReadBack();
}
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    new QCoreApplication(*argc, *argv); // lives as long as the process
    startPage = new TAdvancedSettings;
    controller = new TBeaconController("20240001", "0003", "0105");
    line = new TFuzzLine;
    line->Answer = [](quint8 cmd, const QByteArray &payload) {
        const std::optional<QByteArray> reply = controller->Handle(cmd, payload);
        // A request the controller does not take gets a reply the link does
        // not take either, at once rather than after its timeout.
        return reply ? BuildFrame(cmd, *reply) : QByteArrayLiteral("!FF00");
    };
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    file = QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
    static const QList<QLocale> locales = {QLocale(QLocale::English, QLocale::UnitedStates),
                                           QLocale(QLocale::English, QLocale::UnitedKingdom),
                                           QLocale(QLocale::German, QLocale::Germany)};
    Check(locales.at(int(qHash(file, 0) % locales.size())));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
