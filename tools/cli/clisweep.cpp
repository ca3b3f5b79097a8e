#include "clisweep.h"

#include "cliconsole.h"
#include "clifailure.h"
#include "clifleet.h"
#include "clihistory.h"
#include "config/messageservice.h"
#include "fleet/inventory.h"
#include "fleet/fleetmessages.h"
#include "fleet/visit.h"
#include "link/dmcom.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSocketNotifier>
#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {
constexpr int DefaultJobs = 4;
constexpr int MostJobs = 64;

// While it lives, Ctrl-C (SIGINT) is heard instead of ending the program:
// the handler only writes to a pipe, which Heard() reads between steps and
// the sweep's event loop watches.
class TInterruptPipe {
public:
    TInterruptPipe()
    {
        if (::pipe2(sPipe, O_CLOEXEC | O_NONBLOCK) != 0)
            return; // Ctrl-C then ends the program, as everywhere else
        struct sigaction action = {};
        action.sa_handler = [](int) {
            const char byte = 0;
            (void)!::write(sPipe[1], &byte, 1);
        };
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(SIGINT, &action, &fPrevious);
    }
    ~TInterruptPipe()
    {
        if (sPipe[0] < 0)
            return;
        ::sigaction(SIGINT, &fPrevious, nullptr);
        ::close(sPipe[0]);
        ::close(sPipe[1]);
        sPipe[0] = sPipe[1] = -1;
    }
    TInterruptPipe(const TInterruptPipe &) = delete;
    TInterruptPipe &operator=(const TInterruptPipe &) = delete;

    int Descriptor() const { return sPipe[0]; }
    // Whether Ctrl-C came, now or before.
    bool Heard()
    {
        char drain[16];
        while (sPipe[0] >= 0 && ::read(sPipe[0], drain, sizeof drain) > 0)
            fHeard = true;
        return fHeard;
    }

private:
    static inline int sPipe[2] = {-1, -1};
    struct sigaction fPrevious = {};
    bool fHeard = false;
};

QString Text(const char *message)
{
    return QString::fromUtf8(message);
}

void CheckOptions(const QCommandLineParser &parser, const QString &command, const QStringList &allowed)
{
    for (const QString &option : parser.optionNames())
        if (!allowed.contains(option))
            Usage(Fmt(Msg::CliOptionNotUsed, command, option));
    if (parser.isSet(QStringLiteral("verify")) && !parser.isSet(QStringLiteral("upload-assigned")))
        Usage(Text(Msg::SweepVerifyNeedsUpload));
}

const QStringList VisitFlags = {QStringLiteral("sync-clock"), QStringLiteral("upload-assigned"),
                                QStringLiteral("verify")};

TVisitOptions Options(const QCommandLineParser &parser)
{
    TVisitOptions options;
    options.SyncClock = parser.isSet(QStringLiteral("sync-clock"));
    options.UploadAssigned = parser.isSet(QStringLiteral("upload-assigned"));
    options.Verify = parser.isSet(QStringLiteral("verify"));
    return options;
}

QJsonObject ResultJson(const TVisitResult &r)
{
    return {{"name", r.Name},
            {"serial", r.Serial},
            {"reached", r.Reached},
            {"as_assigned", r.AsAssigned},
            {"events_added", r.EventsAdded},
            {"drift_seconds", r.Reached ? QJsonValue(r.DriftSeconds) : QJsonValue()},
            {"differences", QJsonArray::fromStringList(r.Differences)},
            {"clock_set", r.ClockSet},
            {"uploaded", r.Uploaded},
            {"interrupted", r.Interrupted},
            {"error", r.Error.isEmpty() ? QJsonValue() : QJsonValue(r.Error)}};
}

TVisitResult ResultFromJson(const QJsonObject &o)
{
    TVisitResult r;
    r.Name = o.value("name").toString();
    r.Serial = o.value("serial").toString();
    r.Reached = o.value("reached").toBool();
    r.AsAssigned = o.value("as_assigned").toBool();
    r.EventsAdded = o.value("events_added").toInt();
    r.DriftSeconds = o.value("drift_seconds").toInteger();
    for (const QJsonValue &d : o.value("differences").toArray())
        r.Differences << d.toString();
    r.ClockSet = o.value("clock_set").toBool();
    r.Uploaded = o.value("uploaded").toBool();
    r.Interrupted = o.value("interrupted").toBool();
    r.Error = o.value("error").toString();
    return r;
}

// "north (20240001): 3 new event(s); clock 2 s off; as assigned"
QString SummaryLine(const TVisitResult &r)
{
    QStringList parts;
    if (r.Reached) {
        parts << Fmt(Msg::SweepEvents, r.EventsAdded) << Fmt(Msg::SweepDrift, r.DriftSeconds);
        if (!r.Differences.isEmpty())
            parts << Fmt(Msg::SweepDiffers, r.Differences.size());
        if (r.ClockSet)
            parts << Text(Msg::SweepClockSet);
        if (r.Uploaded)
            parts << Text(Msg::SweepUploaded);
        if (r.AsAssigned)
            parts << Text(Msg::SweepAsAssigned);
    } else if (!r.Interrupted) {
        parts << Text(Msg::SweepNotReached);
    }
    if (!r.Error.isEmpty())
        parts << Printable(r.Error);
    const QString serial = r.Serial.isEmpty() ? Text(Msg::SweepNoSerial) : Printable(r.Serial);
    return Fmt(Msg::SweepLine, Printable(r.Name), serial, parts.join(QStringLiteral("; ")));
}

// Done only when every beacon was reached and is as assigned.
int ExitFor(const QList<TVisitResult> &results, bool interrupted)
{
    if (interrupted)
        return ExitInterrupted;
    int code = ExitDone;
    for (const TVisitResult &r : results) {
        if (!r.Reached)
            return ExitNoAnswer;
        if (!r.AsAssigned)
            code = ExitDifferent;
    }
    return code;
}

// Opens the beacon's address; false, with the reason in the result, when it
// cannot be opened.
bool Open(TdmCOM &link, const TFleetBeacon &beacon, TVisitResult &result)
{
    if (beacon.Address.isEmpty()) {
        result.Error = Text(Msg::SweepNoAddress);
        return false;
    }
    link.SetPortName(beacon.Address);
    try {
        link.Open();
        return true;
    } catch (const ELineOpenError &e) {
        result.Error = e.FullText();
        return false;
    }
}

// The workers of a sweep: each visit a process of its own, in a process
// group of its own so that the terminal's Ctrl-C reaches only the sweep,
// which passes it on to the running visits.
class TSweep {
public:
    TSweep(const QList<TFleetBeacon> &beacons, const QStringList &flags, int jobs)
        : fBeacons(beacons), fFlags(flags), fJobs(jobs)
    {
        for (const TFleetBeacon &beacon : beacons)
            fWaiting << beacon.Name;
    }

    // Runs the visits to their end; the results in the order of the beacons.
    QList<TVisitResult> Run()
    {
        TInterruptPipe interrupt;
        QSocketNotifier heard(interrupt.Descriptor(), QSocketNotifier::Read);
        QObject::connect(&heard, &QSocketNotifier::activated, &heard, [&] {
            if (interrupt.Heard())
                Stop();
        });
        StartMore();
        if (!fRunning.empty())
            fLoop.exec();
        QList<TVisitResult> results;
        for (const TFleetBeacon &beacon : fBeacons)
            results << fResults.value(beacon.Name);
        return results;
    }
    bool Interrupted() const { return fStopping; }

private:
    struct TWorker {
        QString name;
        std::unique_ptr<QProcess> process;
    };

    void StartMore()
    {
        while (!fStopping && int(fRunning.size()) < fJobs && !fWaiting.isEmpty())
            Start(fWaiting.takeFirst());
    }

    void Start(const QString &name)
    {
        auto process = std::make_unique<QProcess>();
        QProcess *p = process.get();
        p->setChildProcessModifier([] { ::setpgid(0, 0); });
        QObject::connect(p, &QProcess::finished, p, [this, p] { Ended(p); });
        QObject::connect(p, &QProcess::errorOccurred, p, [this, p](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                Ended(p);
        });
        fRunning.push_back({name, std::move(process)});
        p->start(QCoreApplication::applicationFilePath(),
                 QStringList{QStringLiteral("fleet"), QStringLiteral("visit"), name} + fFlags +
                     QStringList{QStringLiteral("--json")});
    }

    // A visit that ended: its line now, and the next beacon's visit.
    void Ended(QProcess *p)
    {
        auto worker = std::find_if(fRunning.begin(), fRunning.end(), [p](const TWorker &w) { return w.process.get() == p; });
        if (worker == fRunning.end())
            return;
        const TVisitResult result = Collect(worker->name, *p);
        fResults.insert(worker->name, result);
        PrintOut(SummaryLine(result));
        // Deleted once its signal has returned.
        worker->process.release()->deleteLater();
        fRunning.erase(worker);
        StartMore();
        if (fRunning.empty())
            fLoop.quit();
    }

    TVisitResult Collect(const QString &name, QProcess &p)
    {
        for (const QByteArray &line : p.readAllStandardError().split('\n'))
            if (!line.trimmed().isEmpty())
                Messages().Warning(Fmt(Msg::SweepWorkerSays, name, QString::fromLocal8Bit(line)));
        const QJsonObject document = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
        if (document.contains(QStringLiteral("name")))
            return ResultFromJson(document);
        TVisitResult result;
        result.Name = name;
        for (const TFleetBeacon &beacon : fBeacons)
            if (beacon.Name == name)
                result.Serial = beacon.Serial;
        if (document.contains(QStringLiteral("error"))) {
            result.Error = document.value("error").toObject().value("message").toString();
        } else if (fStopping && p.exitStatus() == QProcess::CrashExit) {
            // Ctrl-C came before the visit could hear it: nothing was done.
            result.Interrupted = true;
            result.Error = Text(Msg::SweepNotStarted);
        } else {
            result.Error = Fmt(Msg::SweepWorkerFailed, p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                               p.errorString());
        }
        return result;
    }

    void Stop()
    {
        if (fStopping)
            return;
        fStopping = true;
        for (const TWorker &worker : fRunning)
            if (worker.process->processId() > 0)
                ::kill(pid_t(worker.process->processId()), SIGINT);
        for (const QString &name : std::as_const(fWaiting)) {
            TVisitResult result;
            result.Name = name;
            for (const TFleetBeacon &beacon : fBeacons)
                if (beacon.Name == name)
                    result.Serial = beacon.Serial;
            result.Interrupted = true;
            result.Error = Text(Msg::SweepNotStarted);
            fResults.insert(name, result);
            PrintOut(SummaryLine(result));
        }
        fWaiting.clear();
    }

    const QList<TFleetBeacon> fBeacons;
    const QStringList fFlags;
    const int fJobs;
    QStringList fWaiting;
    std::vector<TWorker> fRunning;
    QHash<QString, TVisitResult> fResults;
    QEventLoop fLoop;
    bool fStopping = false;
};

QJsonObject TotalJson(const QList<TVisitResult> &results)
{
    int reached = 0, asAssigned = 0, notStarted = 0, events = 0, uploaded = 0;
    for (const TVisitResult &r : results) {
        reached += r.Reached;
        asAssigned += r.AsAssigned;
        uploaded += r.Uploaded;
        events += r.EventsAdded;
        notStarted += r.Interrupted && !r.Reached; // a visit that began identified first
    }
    return {{"beacons", int(results.size())},
            {"reached", reached},
            {"not_reached", int(results.size()) - reached - notStarted},
            {"not_started", notStarted},
            {"as_assigned", asAssigned},
            {"uploaded", uploaded},
            {"events_added", events}};
}
}

int VisitCommand(const QCommandLineParser &parser, bool json)
{
    CheckOptions(parser, QStringLiteral("fleet visit"), VisitFlags + QStringList{QStringLiteral("json")});
    const QStringList args = parser.positionalArguments();
    if (args.size() < 3)
        Usage(Fmt(Msg::CliFleetName, QStringLiteral("visit")));
    if (args.size() > 3)
        Usage(Fmt(Msg::CliExtraArgument, args.at(3)));
    // Heard from the start: a visit asked to stop before it began does nothing.
    TInterruptPipe interrupt;
    const TCliRegister history;
    if (!history.Require())
        throw TFailure{ExitRefused, Fmt(Msg::FleetNoBeacon, args.at(2))};
    const TFleetBeacon beacon = Known(TFleetInventory(DM()), args.at(2));
    TVisitResult result;
    result.Name = beacon.Name;
    result.Serial = beacon.Serial;
    TdmCOM link;
    link.tmrPortCheck.SetEnabled(false); // one visit, then the program ends: nothing to watch
    if (interrupt.Heard()) {
        result.Interrupted = true;
        result.Error = Text(Msg::SweepNotStarted);
    } else if (Open(link, beacon, result)) {
        result = VisitBeacon(beacon, Options(parser), [&interrupt] { return interrupt.Heard(); });
    }
    if (json)
        PrintJson(ResultJson(result));
    else
        PrintOut(SummaryLine(result));
    return ExitFor({result}, result.Interrupted);
}

int SweepCommand(const QCommandLineParser &parser, bool json)
{
    CheckOptions(parser, QStringLiteral("fleet sweep"),
                 VisitFlags + QStringList{QStringLiteral("json"), QStringLiteral("tag"), QStringLiteral("jobs")});
    int jobs = DefaultJobs;
    if (parser.isSet(QStringLiteral("jobs"))) {
        bool ok = false;
        jobs = parser.value(QStringLiteral("jobs")).toInt(&ok);
        if (!ok || jobs < 1 || jobs > MostJobs)
            Usage(Fmt(Msg::SweepJobs, MostJobs));
    }
    const QString tag = parser.value(QStringLiteral("tag"));
    const QStringList names = parser.positionalArguments().mid(2);
    const TCliRegister history;
    QList<TFleetBeacon> beacons;
    if (history.Require()) {
        const TFleetInventory inventory(DM());
        if (names.isEmpty()) {
            Guard(ExitFile, [&] { beacons = inventory.Beacons(); });
            beacons.removeIf([](const TFleetBeacon &b) { return b.Address.isEmpty(); });
        } else {
            for (const QString &name : names)
                if (!std::any_of(beacons.cbegin(), beacons.cend(), [&](const TFleetBeacon &b) { return b.Name == name; }))
                    beacons << Known(inventory, name);
        }
    } else if (!names.isEmpty()) {
        throw TFailure{ExitRefused, Fmt(Msg::FleetNoBeacon, names.first())};
    }
    if (!tag.isEmpty())
        beacons.removeIf([&tag](const TFleetBeacon &b) { return !b.Tags.contains(tag); });
    QStringList flags;
    for (const QString &flag : VisitFlags)
        if (parser.isSet(flag))
            flags << QStringLiteral("--") + flag;

    TSweep sweep(beacons, flags, jobs);
    const QList<TVisitResult> results = sweep.Run();
    const QJsonObject total = TotalJson(results);
    PrintOut(Fmt(Msg::SweepTotal, total.value("beacons").toInt(), total.value("reached").toInt(),
                 total.value("as_assigned").toInt(), total.value("not_reached").toInt(),
                 total.value("not_started").toInt()));
    if (json) {
        QJsonArray list;
        for (const TVisitResult &r : results)
            list.append(ResultJson(r));
        PrintJson({{"beacons", list}, {"total", total}});
    }
    return ExitFor(results, sweep.Interrupted());
}
