// Soak of the link against the simulated controller on a paced pseudo-terminal
// line, with the program's own timeouts: single exchanges through the command
// codecs, each with a fault chosen at random for its first attempt and, when
// that one fails, for its retry (a dropped reply, a character dropped or
// changed, noise in front, a reply later than the timeout, gaps between its
// bytes under or over the read interval, a hang-up, after which the
// simulator is started again on the same port name). Every hundredth
// exchange a download, an event-log download to a file or an upload runs
// with a fault on a few of its requests.
//
// After each it checks what the link promises: a reply it takes decodes to the
// controller's true values; a failed exchange changes nothing and a lost line
// says so naming the port; nothing else is reported; ScanActive is set again;
// a file is replaced only by a complete download. Where replies of an earlier
// exchange may still be on their way (a late reply, slow gaps, a hang-up seen
// late) the outcome may be any of the three, but never wrong data. Resident
// memory is sampled after a warm-up and at the end.
//
// Prints the counts per fault and outcome; exits 1 on any broken promise.
// Usage: link_soak [EXCHANGES [SEED]]   (10,000 and 1 by default)
#include "config/exceptions.h"
#include "config/messages.h"
#include "eventlog/eventdownload.h"
#include "eventlog/eventlogfile.h"
#include "link/dmcom.h"
#include "sim/beaconsimulator.h"
#include "soakchecks.h"
#include "transfer/workflows.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <array>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

namespace {
enum TFault { None, Drop, DamageDrop, DamageChange, Noise, Late, ShortGaps, LongGaps, HangUp, FaultKinds };
const char *const FaultNames[FaultKinds] = {
    "none", "reply dropped", "character dropped", "character changed", "noise in front",
    "late beyond the timeout", "gaps under the read interval", "gaps over the read interval", "hang-up"};
// Chances in a thousand for the first attempt; the costly faults (each a
// timeout of 6 s or so) are the rarer.
constexpr std::array<int, FaultKinds> FirstAttemptOdds = {860, 10, 10, 30, 30, 5, 30, 5, 20};
// For the retry after a failed first attempt: most retries find a good line.
constexpr std::array<int, FaultKinds> RetryOdds = {700, 40, 40, 50, 50, 20, 40, 10, 50};
// A fault on a request inside a download, event-log download or upload.
constexpr int SequenceFaultOdds = 80;
enum TOutcome { Succeeded, Failed, Lost, Outcomes };
const char *const OutcomeNames[Outcomes] = {"succeeded", "failed", "line lost"};

// The link's waits for one attempt: the codecs' reply wait, then the 5-byte header read.
constexpr int AttemptMs = 2500 + 5 * 250 + 2500;
// The longest wait for a quiet line after a spoiled reply.
constexpr int QuietWaitMs = 2500;
constexpr int SequenceEvery = 100;
constexpr int LongGapsReplyChars = 40;
constexpr double RssGrowthBoundMb = 3;

class TQuietLog final : public TProgressLog {
public:
    void Clear() override {}
    void Add(const QString &) override {}
    void ReplaceLast(const QString &) override {}
    bool Closed() const override { return false; }
};

class TSoak {
public:
    TSoak(quint32 seed, const QString &folder) : fRng(seed), fFolder(folder)
    {
        fLink.tmrPortCheck.SetEnabled(false); // only the soak talks on the line
        StartSimulator();
        fPort = fSim->PortName();
        fLink.SetPortName(fPort);
    }

    void Run(int exchanges);
    int Report(double seconds) const;

private:
    TFault Pick(const std::array<int, FaultKinds> &odds, int replyChars);
    TSimOptions Options(TFault fault, int replyChars);
    void StartSimulator();
    TBeaconController Truth();
    void Exchange(int number);
    void Sequence(int number);
    void Download();
    void EventLog(bool reference);
    void Upload();
    void AfterOperation(const QString &what);
    void Broken(const QString &text);
    // The controller hung up: a new one on the same port name.
    void RestartIfHungUp();

    TdmCOM fLink;
    std::unique_ptr<TBeaconSimulator> fSim;
    std::mt19937 fRng;
    QString fFolder, fPort;
    QElapsedTimer fClock;
    TSoakOperation::TKind fPrevious = TSoakOperation::Kinds;
    qint64 fDisturbedUntil = 0; // replies of earlier exchanges may arrive until then
    bool fHungUpOutside = false;
    int fRestarts = 0, fAttempts = 0, fBrokenCount = 0;
    QStringList fBroken;
    // By the line's state (0 quiet, 1 disturbed), the fault and the outcome.
    int fCounts[2][FaultKinds][Outcomes] = {};
    int fRetryCounts[2][FaultKinds][Outcomes] = {};
    QMap<QString, int> fSequenceCounts;
    QByteArray fEventReference; // the file of a complete event-log download
    double fRssStart = 0, fRssEnd = 0;
};

TFault TSoak::Pick(const std::array<int, FaultKinds> &odds, int replyChars)
{
    int roll = int(fRng() % 1000);
    int k = 0;
    for (; k < FaultKinds - 1 && roll >= odds[size_t(k)]; ++k)
        roll -= odds[size_t(k)];
    // Slow gaps on a long reply would take a minute; short ones stand in.
    return k == LongGaps && replyChars > LongGapsReplyChars ? ShortGaps : TFault(k);
}

TSimOptions TSoak::Options(TFault fault, int replyChars)
{
    // A long run of noise leaves the whole frame behind the 5 characters a header read takes.
    static const QByteArray noises[] = {"~", QByteArray(1, '\0'), "\xFF\xFE", "!35", "!3", "0123", "\r\n",
                                        QByteArray(10, '\0')};
    TSimOptions options; // paced, without faults
    switch (fault) {
    case Drop: options.dropEvery = 1; break;
    case DamageDrop: options.damageEvery = 1; options.damage = TDamage::Drop; break;
    case DamageChange: options.damageEvery = 1; options.damage = TDamage::Change; break;
    case Noise: options.noise = noises[fRng() % std::size(noises)]; break;
    case Late: options.replyDelayMs = AttemptMs + 300 + int(fRng() % 700); break;
    // Short gaps keep a reply within about 1.5 s.
    case ShortGaps: options.byteGapMs = 1 + int(fRng() % std::max(1, std::min(100, 1500 / replyChars))); break;
    case LongGaps: options.byteGapMs = 300 + int(fRng() % 100); break;
    case HangUp: options.closeAfter = 1; break;
    default: break;
    }
    return options;
}

void TSoak::StartSimulator()
{
    TSimOptions options;
    options.name = QStringLiteral("link-soak");
    fSim = std::make_unique<TBeaconSimulator>(options);
}

void TSoak::RestartIfHungUp()
{
    if (fSim->LineOpen())
        return;
    fAttempts += CountRequests(fSim->FrameLog());
    fSim.reset();
    StartSimulator();
    ++fRestarts;
    if (fSim->PortName() != fPort)
        Broken(QStringLiteral("the simulator came back as %1, not %2").arg(fSim->PortName(), fPort));
    // The events are made from today's date: a restart after midnight has others.
    fEventReference.clear();
}

TBeaconController TSoak::Truth()
{
    std::optional<TBeaconController> truth;
    fSim->WithController([&](TBeaconController &c) { truth = c; });
    return *truth;
}

void TSoak::Broken(const QString &text)
{
    ++fBrokenCount;
    if (fBroken.size() < 30)
        fBroken << text;
}

void TSoak::AfterOperation(const QString &what)
{
    if (!fLink.ScanActive())
        Broken(what + QStringLiteral(": ScanActive was left cleared"));
    fLink.SetScanActive(true);
    fSim->ClearQueuedFaults();
    if (fSim->LineOpen()) {
        fAttempts += CountRequests(fSim->FrameLog());
        fSim->ClearFrameLog(); // the log would otherwise grow for the whole run
    }
}

void TSoak::Exchange(int number)
{
    fPrevious = TSoakOperation::Pick(fRng, fPrevious);
    TSoakOperation op(fPrevious, fRng);
    const TBeaconController before = Truth();
    const TFault first = Pick(FirstAttemptOdds, op.ReplyChars());
    // A first attempt that fails has a retry, with a fault of its own.
    const bool retried = first != None && first != ShortGaps && first != HangUp;
    const TFault retry = retried ? Pick(RetryOdds, op.ReplyChars()) : None;
    const TSimOptions firstOptions = Options(first, op.ReplyChars());
    const TSimOptions retryOptions = Options(retry, op.ReplyChars());
    fSim->QueueFaults(firstOptions);
    if (retried)
        fSim->QueueFaults(retryOptions);
    const qint64 start = fClock.elapsed();
    const bool disturbed = start < fDisturbedUntil || fHungUpOutside;
    fHungUpOutside = false;

    TOutcome outcome = Failed;
    QString lostText;
    try {
        outcome = op.Run() ? Succeeded : Failed;
    } catch (const Exception &e) {
        outcome = Lost;
        lostText = e.Message();
    }
    const TBeaconController after = Truth();
    // A late reply or one sent with slow gaps may reach the exchanges that
    // follow. The controller answers one request after the other: the retry,
    // sent at the latest when the first attempt (and after a spoiled reply,
    // the wait for quiet) is over, once the first reply is out.
    if (first == Late || first == LongGaps || retry == Late || retry == LongGaps) {
        const auto busy = [&](const TSimOptions &o) { return o.replyDelayMs + qint64(o.byteGapMs) * op.ReplyChars(); };
        qint64 quiet = busy(firstOptions);
        if (retried) {
            const bool heard = first != Drop && first != Late;
            quiet = std::max<qint64>(quiet, AttemptMs + (heard ? QuietWaitMs : 0)) + busy(retryOptions);
        }
        fDisturbedUntil = std::max(fDisturbedUntil, start + quiet + 1000);
    }
    const QString what = QStringLiteral("exchange %1 (%2; %3, then %4)")
                             .arg(number)
                             .arg(op.Name(), QString::fromUtf8(FaultNames[first]), QString::fromUtf8(FaultNames[retry]));
    if (outcome == Lost && !lostText.startsWith(Fmt(Msg::LinkLost, fPort, QString())))
        Broken(what + QStringLiteral(": an error that is not the lost line: ") + lostText);
    if (const QString wrong = op.Check(outcome == Succeeded, before, after); !wrong.isEmpty())
        Broken(what + QStringLiteral(": ") + wrong);

    if (!disturbed) {
        // What the link promises on a quiet line.
        TOutcome expected = Succeeded;
        bool certain = true;
        switch (first) {
        case None:
        case ShortGaps: break;
        case HangUp: expected = Lost; break;
        // The late reply comes in the retry's wait; a hang-up at the retry's
        // request may come before the reply is wholly read, or after.
        case Late: certain = retry != HangUp; break;
        // The rest of the slow reply may still be arriving in the retry.
        case LongGaps: certain = false; break;
        default: { // the first attempt fails at once
            // The exchange waits for a reply's first five characters as a
            // whole, so gaps inside a reply of no more (a write's) break nothing.
            const bool whole = retry == None || retry == ShortGaps || (retry == LongGaps && op.ReplyChars() <= 5);
            expected = whole ? Succeeded : retry == HangUp ? Lost : Failed;
            break;
        }
        }
        if (certain && outcome != expected)
            Broken(what + QStringLiteral(": %1, where it should have %2")
                              .arg(QString::fromUtf8(OutcomeNames[outcome]), QString::fromUtf8(OutcomeNames[expected])));
    }
    ++fCounts[disturbed][first][outcome];
    if (retried)
        ++fRetryCounts[disturbed][retry][outcome];
    AfterOperation(what);
    if (outcome != Lost && !fSim->LineOpen())
        fHungUpOutside = true; // the retry's hang-up came after the exchange had its reply
    RestartIfHungUp();
}

void TSoak::Sequence(int number)
{
    std::vector<TFault> queued;
    for (int i = 0; i < 400; ++i) {
        const TFault fault = int(fRng() % 1000) < SequenceFaultOdds ? TFault(1 + fRng() % (FaultKinds - 1)) : None;
        queued.push_back(fault == LongGaps ? ShortGaps : fault); // the requests of a sequence read whole tables
        fSim->QueueFaults(Options(queued.back(), 170));
    }
    switch (number % 3) {
    case 0: Download(); break;
    case 1: EventLog(false); break;
    default: Upload(); break;
    }
    // A late reply to one of the last two requests (the last step and its
    // retry) may still come; one to an earlier request came before the next reply.
    const int used = std::min<int>(CountRequests(fSim->FrameLog()), int(queued.size()));
    if (std::find(queued.begin() + std::max(0, used - 2), queued.begin() + used, Late) != queued.begin() + used)
        fDisturbedUntil = std::max(fDisturbedUntil, fClock.elapsed() + AttemptMs);
    AfterOperation(QStringLiteral("sequence %1").arg(number));
    fHungUpOutside = !fSim->LineOpen();
    RestartIfHungUp();
}

void TSoak::Download()
{
    const QString target = fFolder + QStringLiteral("/download.bcfg");
    const QByteArray old = FileBytes(target);
    SetSentinels();
    TQuietLog log;
    QString error;
    try {
        DownloadFromBeacon(log, true, true, true);
    } catch (const Exception &e) {
        error = e.Message();
    }
    const TBeaconController truth = Truth();
    QString outcome = error.isEmpty() ? QStringLiteral("download: complete") : QStringLiteral("download: failed");
    if (error.isEmpty()) {
        if (const QString wrong = ConfigurationDiffers(truth); !wrong.isEmpty())
            Broken(QStringLiteral("a download reported complete: ") + wrong);
        const QByteArray text = SaveDownloadedConfiguration(target);
        if (FileBytes(target) != text)
            Broken(QStringLiteral("the downloaded settings file is not what was read"));
    } else {
        if (!StepFailureText(error, fPort))
            Broken(QStringLiteral("a download failed with: ") + error);
        if (FileBytes(target) != old)
            Broken(QStringLiteral("a failed download changed the settings file"));
        if (error.startsWith(QStringLiteral("Lost")))
            outcome = QStringLiteral("download: line lost");
    }
    ++fSequenceCounts[outcome];
}

void TSoak::EventLog(bool reference)
{
    const QString target = fFolder + QStringLiteral("/events.csv");
    const QByteArray old = FileBytes(target);
    const TEventLogDownload download = DownloadEventLog(nullptr);
    const TBeaconController truth = Truth();
    if (const QString wrong = EventsDiffer(download, truth); !wrong.isEmpty())
        Broken(QStringLiteral("event-log download: ") + wrong);
    if (download.Complete()) {
        SaveEventLogFile(target, download.Rows);
        if (fEventReference.isEmpty())
            fEventReference = FileBytes(target);
        if (FileBytes(target) != fEventReference)
            Broken(QStringLiteral("a complete event-log download wrote another file than the first one"));
    } else {
        if (reference)
            Broken(QStringLiteral("the clean event-log download was incomplete: ") + download.Problem());
        if (download.Problem().isEmpty() || (!download.Error.isEmpty() && !download.Error.startsWith(QStringLiteral("Lost"))))
            Broken(QStringLiteral("an incomplete event-log download said: ") + download.Problem());
        // The command-line tool's rule: a partial list goes beside a complete file, never over it.
        if (!download.Rows.isEmpty())
            SaveEventLogFile(fFolder + QStringLiteral("/events-partial.csv"), download.Rows);
        if (FileBytes(target) != old)
            Broken(QStringLiteral("an incomplete event-log download changed the file"));
    }
    ++fSequenceCounts[download.Complete() ? QStringLiteral("event log: complete")
                      : download.Error.isEmpty() ? QStringLiteral("event log: incomplete")
                                                 : QStringLiteral("event log: line lost")];
}

void TSoak::Upload()
{
    SetRandomConfiguration(fRng);
    TQuietLog log;
    QString error;
    try {
        UploadToBeacon(log, true, fRng() % 2 == 0, true, true);
    } catch (const Exception &e) {
        error = e.Message();
    }
    if (error.isEmpty()) {
        if (const QString wrong = ConfigurationDiffers(Truth()); !wrong.isEmpty())
            Broken(QStringLiteral("an upload reported complete: ") + wrong);
    } else if (!StepFailureText(error, fPort)) {
        Broken(QStringLiteral("an upload failed with: ") + error);
    }
    ++fSequenceCounts[error.isEmpty() ? QStringLiteral("upload: complete")
                      : error.startsWith(QStringLiteral("Lost")) ? QStringLiteral("upload: line lost")
                                                                 : QStringLiteral("upload: failed")];
}

void TSoak::Run(int exchanges)
{
    fClock.start();
    EventLog(true); // the complete file the later downloads are held to
    AfterOperation(QStringLiteral("the first event-log download"));
    const int warmUp = std::max(1, exchanges / 20);
    for (int n = 1; n <= exchanges; ++n) {
        Exchange(n);
        if (n % SequenceEvery == 0)
            Sequence(n / SequenceEvery);
        if (n == warmUp)
            fRssStart = ResidentMb();
        if (n % 1000 == 0) {
            std::printf("  %d exchanges, %.0f s, %d broken promises\n", n, fClock.elapsed() / 1000.0, fBrokenCount);
            std::fflush(stdout);
        }
    }
    fRssEnd = ResidentMb();
}

int TSoak::Report(double seconds) const
{
    const auto table = [](const char *title, const int (&counts)[2][FaultKinds][Outcomes]) {
        std::printf("%s\n  %-30s %-29s %s\n  %-30s", title, "", "on a quiet line",
                    "while an earlier reply could still come", "");
        for (int column = 0; column < 2 * Outcomes; ++column)
            std::printf(" %9s", OutcomeNames[column % Outcomes]);
        std::printf("\n");
        for (int k = 0; k < FaultKinds; ++k) {
            std::printf("  %-30s", FaultNames[k]);
            for (int column = 0; column < 2 * Outcomes; ++column)
                std::printf(" %9d", counts[column / Outcomes][k][column % Outcomes]);
            std::printf("\n");
        }
    };
    int exchanges = 0;
    for (const auto &line : fCounts)
        for (const auto &fault : line)
            for (const int n : fault)
                exchanges += n;
    std::printf("\n%d single exchanges\n", exchanges);
    table("by the fault on the first attempt:", fCounts);
    table("the retries after a failed first attempt, by their fault:", fRetryCounts);
    std::printf("downloads, event-log downloads and uploads (%d/1000 of their requests with a fault):\n",
                SequenceFaultOdds);
    for (auto it = fSequenceCounts.begin(); it != fSequenceCounts.end(); ++it)
        std::printf("  %-30s %9d\n", qPrintable(it.key()), it.value());
    std::printf("requests the controller received: %d; simulator restarted after a hang-up: %d times\n", fAttempts,
                fRestarts);
    std::printf("resident memory: %.1f MB after the warm-up, %.1f MB at the end (bound: %.0f MB more)\n", fRssStart,
                fRssEnd, RssGrowthBoundMb);
    std::printf("took %.0f s (%.1f min)\n", seconds, seconds / 60);
    const bool grew = fRssEnd > fRssStart + RssGrowthBoundMb;
    if (grew)
        std::printf("BROKEN: resident memory grew by %.1f MB\n", fRssEnd - fRssStart);
    std::printf("broken promises: %d\n", fBrokenCount);
    for (const QString &text : fBroken)
        std::printf("  %s\n", qPrintable(text));
    return fBrokenCount > 0 || grew ? 1 : 0;
}
}

int main(int argc, char **argv)
{
    // The simulator registers its port in the runtime folder; a private one
    // where the session has none.
    QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    QCoreApplication app(argc, argv);
    const int exchanges = argc > 1 ? std::max(1, atoi(argv[1])) : 10000;
    const quint32 seed = argc > 2 ? quint32(strtoul(argv[2], nullptr, 10)) : 1;
    QTemporaryDir folder;
    std::printf("link soak: %d exchanges, seed %u, simulator paced at 115200 baud\n", exchanges, seed);
    std::fflush(stdout);
    QElapsedTimer clock;
    clock.start();
    TSoak soak(seed, folder.path());
    soak.Run(exchanges);
    return soak.Report(clock.elapsed() / 1000.0);
}
