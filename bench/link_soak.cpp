// Soak of the link against the simulated controller on a paced pseudo-terminal
// line, with the program's own timeouts: single exchanges through the command
// codecs, each with a fault chosen at random for its first attempt and, when
// that one fails, for its retry (a reply delayed up to 2.4 s, within the
// wait; a dropped reply, a character dropped or changed, noise in front, a
// reply later than the timeout, a late reply whose duplicate, the answer to
// the retry, comes slowly after the exchange took the late one; gaps between
// its bytes under or over the read interval, a hang-up, after which the
// simulator is started again on the same port name). Every hundredth
// exchange a download, an event-log download to a file or an upload runs
// with a fault on a few of its requests, every fourth round of the three
// with slow replies to many of them too.
//
// After each it checks what the link promises: a reply it takes decodes to the
// controller's true values, never to an earlier request's (a shifted read); a
// failed exchange changes nothing and a lost line says so naming the port;
// nothing else is reported; ScanActive is set again; a file is replaced only
// by a complete download. A reply the link has waited for, however slow or
// late, and a duplicate it owes, are its own business: the exchanges after
// them must succeed. Only where a reply comes later than every wait the link
// has for it (a late retry, slow gaps, a hang-up seen late) may the outcome of
// the exchanges after it be any of the three, but never wrong data. Resident
// memory is sampled after a warm-up and at the end.
//
// Prints each broken promise when it is found (the first 30, with the frames
// around it), then the counts per fault and outcome; exits 1 on any.
// Usage: link_soak [EXCHANGES [SEED [FRAME_LOG]]]   (10,000 and 1 by default;
// the simulator appends every frame, with its time, to FRAME_LOG)
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
enum TFault {
    None, Slow, Drop, DamageDrop, DamageChange, Noise, Late, LateDuplicate, ShortGaps, LongGaps, HangUp, FaultKinds
};
const char *const FaultNames[FaultKinds] = {
    "none", "slow, within the wait", "reply dropped", "character dropped", "character changed", "noise in front",
    "late beyond the timeout", "late, duplicate slow", "gaps under the read interval", "gaps over the read interval",
    "hang-up"};
// Chances in a thousand for the first attempt; the costly faults (each a
// timeout of 6 s or so) are the rarer.
constexpr std::array<int, FaultKinds> FirstAttemptOdds = {842, 15, 10, 10, 30, 30, 5, 3, 30, 5, 20};
// For the retry after a failed first attempt: most retries find a good line.
// A late retry is the late beyond the timeout: there is no third request.
constexpr std::array<int, FaultKinds> RetryOdds = {660, 40, 40, 40, 50, 50, 20, 0, 40, 10, 50};
// A fault on a request inside a download, event-log download or upload.
constexpr int SequenceFaultOdds = 80;
// In a sequence with slow replies, the share in a hundred of its requests
// answered slowly (when they have no other fault).
constexpr int SequenceSlowShare = 25;
// The slowest reply still within the codecs' reply wait.
constexpr int SlowestReplyMs = 2400;
enum TOutcome { Succeeded, Failed, Lost, Outcomes };
const char *const OutcomeNames[Outcomes] = {"succeeded", "failed", "line lost"};

// The link's waits for one attempt: the codecs' reply wait, then the 5-byte header read.
constexpr int AttemptMs = 2500 + 5 * 250 + 2500;
// The longest wait for a quiet line after a spoiled reply.
constexpr int QuietWaitMs = 2500;
constexpr int SequenceEvery = 100;
constexpr int LongGapsReplyChars = 40;
constexpr double RssGrowthBoundMb = 3;

class TSoak {
public:
    TSoak(quint32 seed, const QString &folder, const QString &frameLog)
        : fRng(seed), fFolder(folder), fFrameLog(frameLog)
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
    // Each runs its operation, checks it and says how it ended.
    QString Download();
    QString EventLog(bool reference);
    QString Upload();
    void AfterOperation(const QString &what);
    void Broken(const QString &text);
    // The controller hung up: a new one on the same port name.
    void RestartIfHungUp();

    TdmCOM fLink;
    std::unique_ptr<TBeaconSimulator> fSim;
    std::mt19937 fRng;
    QString fFolder, fFrameLog, fPort;
    QElapsedTimer fClock;
    TSoakOperation::TKind fPrevious = TSoakOperation::Kinds;
    qint64 fDisturbedUntil = 0; // replies of earlier exchanges may arrive until then
    bool fHungUpOutside = false;
    int fRestarts = 0, fAttempts = 0, fBrokenCount = 0;
    int fRequestsWhileOwed = 0; // of the simulators hung up
    QList<TFrameLogEntry> fPreviousFrames; // the line during the last operation
    // By the line's state (0 quiet, 1 disturbed), the fault and the outcome.
    int fCounts[2][FaultKinds][Outcomes] = {};
    int fRetryCounts[2][FaultKinds][Outcomes] = {};
    QMap<QString, int> fSequenceCounts;
    QByteArray fEventReference; // the file of a complete event-log download
    double fRssStart = 0, fRssEnd = 0;
    qint64 fSequencesMs = 0; // the time the sequences took
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
    case Slow: options.replyDelayMs = int(fRng() % (SlowestReplyMs + 1)); break;
    case Late: options.replyDelayMs = AttemptMs + 300 + int(fRng() % 700); break;
    // From the moment the attempt gives up to well into the retry's wait; the
    // retry's reply, slow, then comes at most 3.9 s after the retry's request,
    // within the whole wait an attempt has for its reply.
    case LateDuplicate: options.replyDelayMs = AttemptMs + int(fRng() % 1500); break;
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
    options.logFile = fFrameLog;
    fSim = std::make_unique<TBeaconSimulator>(options);
}

void TSoak::RestartIfHungUp()
{
    if (fSim->LineOpen())
        return;
    fAttempts += CountRequests(fSim->FrameLog());
    fRequestsWhileOwed += fSim->RequestsWhileOwed();
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
    // Printed at once, so that a long run shows them while it goes on.
    if (++fBrokenCount > 30)
        return;
    // The line as the controller saw it: the end of the operation before and this one.
    const auto lines = [](const QList<TFrameLogEntry> &log, qsizetype count) {
        QString text;
        for (qsizetype i = std::max<qsizetype>(0, log.size() - count); i < log.size(); ++i)
            text += QStringLiteral("\n      %1 %2 %3")
                        .arg(log[i].time.toString(QStringLiteral("HH:mm:ss.zzz")), log[i].direction,
                             QString::fromLatin1(log[i].text.toPercentEncoding("!")));
        return text;
    };
    std::printf("BROKEN after %.0f s: %s\n", fClock.elapsed() / 1000.0,
                qPrintable(text + QStringLiteral("\n    the operation before ended:") + lines(fPreviousFrames, 6) +
                           QStringLiteral("\n    this one:") + lines(fSim->FrameLog(), 16)));
    std::fflush(stdout);
}

void TSoak::AfterOperation(const QString &what)
{
    if (!fLink.ScanActive())
        Broken(what + QStringLiteral(": ScanActive was left cleared"));
    fLink.SetScanActive(true);
    fSim->ClearQueuedFaults();
    if (fSim->LineOpen()) {
        fPreviousFrames = fSim->FrameLog();
        fAttempts += CountRequests(fPreviousFrames);
        fSim->ClearFrameLog(); // the log would otherwise grow for the whole run
    }
}

void TSoak::Exchange(int number)
{
    fPrevious = TSoakOperation::Pick(fRng, fPrevious);
    TSoakOperation op(fPrevious, fRng);
    const TBeaconController before = Truth();
    const TFault first = Pick(FirstAttemptOdds, op.ReplyChars());
    // A first attempt that fails has a retry, with a fault of its own; the
    // retry after a late duplicate is answered slowly.
    const bool retried = first != None && first != Slow && first != ShortGaps && first != HangUp;
    const TFault retry = first == LateDuplicate ? Slow : retried ? Pick(RetryOdds, op.ReplyChars()) : None;
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
    // A reply to the retry later than the timeout, or one sent with slow
    // gaps, may reach the exchanges that follow: no wait of the link's covers
    // it. (The duplicate of a late first reply, the answer to the retry, is
    // owed, and the next exchange waits for it.) The controller answers one
    // request after the other: the retry, sent at the latest when the first
    // attempt (and after a spoiled reply, the wait for quiet) is over, once
    // the first reply is out.
    if (first == LongGaps || retry == Late || retry == LongGaps) {
        const auto busy = [&](const TSimOptions &o) { return o.replyDelayMs + qint64(o.byteGapMs) * op.ReplyChars(); };
        qint64 quiet = busy(firstOptions);
        if (retried) {
            const bool heard = first != Drop && first != Late && first != LateDuplicate;
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
        case Slow:
        case ShortGaps: break;
        case HangUp: expected = Lost; break;
        // The late reply comes in the retry's wait; a hang-up at the retry's
        // request may come before the reply is wholly read, or after.
        case Late:
        case LateDuplicate: certain = retry != HangUp; break;
        // The rest of the slow reply may still be arriving in the retry.
        case LongGaps: certain = false; break;
        default: { // the first attempt fails at once
            // The exchange waits for a reply's first five characters as a
            // whole, and then for its payload as a whole (2.5 s): slow gaps
            // break only a reply whose payload takes longer than that.
            const int payloadChars = op.ReplyChars() - 5;
            const bool gapsFit = payloadChars * 400 < QuietWaitMs; // the gaps are 300 to 399 ms
            certain = retry != LongGaps || gapsFit || payloadChars * 300 >= QuietWaitMs;
            const bool whole = retry == None || retry == Slow || retry == ShortGaps || (retry == LongGaps && gapsFit);
            expected = whole ? Succeeded : retry == HangUp ? Lost : Failed;
            break;
        }
        }
        if (certain && outcome != expected)
            Broken(what + QStringLiteral(": %1, where it should have %2")
                              .arg(QString::fromUtf8(OutcomeNames[outcome]), QString::fromUtf8(OutcomeNames[expected]))
                   + (lostText.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(lostText)));
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
    // Each kind in turn; every fourth round of the three with slow replies.
    const bool slow = number / 3 % 4 == 1;
    std::vector<TFault> queued;
    for (int i = 0; i < 400; ++i) {
        TFault fault = int(fRng() % 1000) < SequenceFaultOdds ? TFault(Slow + 1 + fRng() % (FaultKinds - Slow - 1))
                       : slow && int(fRng() % 100) < SequenceSlowShare ? Slow
                                                                      : None;
        if (fault == LongGaps)
            fault = ShortGaps; // the requests of a sequence read whole tables
        if (i > 0 && queued.back() == LateDuplicate)
            fault = Slow; // the request after it is its retry
        queued.push_back(fault);
        fSim->QueueFaults(Options(fault, 170));
    }
    const QString kind = number % 3 == 0 ? QStringLiteral("download")
                         : number % 3 == 1 ? QStringLiteral("event log")
                                           : QStringLiteral("upload");
    QString outcome;
    switch (number % 3) {
    case 0: outcome = Download(); break;
    case 1: outcome = EventLog(false); break;
    default: outcome = Upload(); break;
    }
    ++fSequenceCounts[kind + (slow ? QStringLiteral(", slow replies: ") : QStringLiteral(": ")) + outcome];
    // A late reply to the last request, the retry of a step that failed, may
    // still come. One to an earlier request came in its retry's wait, and the
    // operation waited for the duplicate it owed before it ended.
    const int used = std::min<int>(CountRequests(fSim->FrameLog()), int(queued.size()));
    if (used > 0 && (queued[size_t(used - 1)] == Late || queued[size_t(used - 1)] == LateDuplicate))
        fDisturbedUntil = std::max(fDisturbedUntil, fClock.elapsed() + AttemptMs);
    AfterOperation(QStringLiteral("sequence %1").arg(number));
    fHungUpOutside = !fSim->LineOpen();
    RestartIfHungUp();
}

QString TSoak::Download()
{
    const QString target = fFolder + QStringLiteral("/download.bcfg");
    const QByteArray old = FileBytes(target);
    SetSentinels();
    TSilentLog log;
    QString error;
    try {
        DownloadFromBeacon(log, true, true, true);
    } catch (const Exception &e) {
        error = e.Message();
    }
    const TBeaconController truth = Truth();
    QString outcome = error.isEmpty() ? QStringLiteral("complete") : QStringLiteral("failed");
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
            outcome = QStringLiteral("line lost");
    }
    return outcome;
}

QString TSoak::EventLog(bool reference)
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
    return download.Complete()         ? QStringLiteral("complete")
           : download.Error.isEmpty() ? QStringLiteral("incomplete")
                                      : QStringLiteral("line lost");
}

QString TSoak::Upload()
{
    SetRandomConfiguration(fRng);
    TSilentLog log;
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
    return error.isEmpty()                                ? QStringLiteral("complete")
           : error.startsWith(QStringLiteral("Lost")) ? QStringLiteral("line lost")
                                                      : QStringLiteral("failed");
}

void TSoak::Run(int exchanges)
{
    fClock.start();
    EventLog(true); // the complete file the later downloads are held to
    AfterOperation(QStringLiteral("the first event-log download"));
    const int warmUp = std::max(1, exchanges / 20);
    for (int n = 1; n <= exchanges; ++n) {
        Exchange(n);
        if (n % SequenceEvery == 0) {
            const qint64 start = fClock.elapsed();
            Sequence(n / SequenceEvery);
            fSequencesMs += fClock.elapsed() - start;
        }
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
    std::printf("downloads, event-log downloads and uploads (%d/1000 of their requests with a fault; with slow\n"
                "replies, %d%% of the others answered in up to %d ms):\n",
                SequenceFaultOdds, SequenceSlowShare, SlowestReplyMs);
    for (auto it = fSequenceCounts.begin(); it != fSequenceCounts.end(); ++it)
        std::printf("  %-40s %9d\n", qPrintable(it.key()), it.value());
    // A request sent while a reply was still to come is one the link had
    // given up waiting for: a reply later than its waits.
    std::printf("requests the controller received: %d, %d of them while it still owed a reply; simulator restarted "
                "after a hang-up: %d times\n",
                fAttempts, fRequestsWhileOwed + fSim->RequestsWhileOwed(), fRestarts);
    std::printf("resident memory: %.1f MB after the warm-up, %.1f MB at the end (bound: %.0f MB more)\n", fRssStart,
                fRssEnd, RssGrowthBoundMb);
    std::printf("took %.0f s (%.1f min), %.0f s of it in the sequences\n", seconds, seconds / 60,
                fSequencesMs / 1000.0);
    const bool grew = fRssEnd > fRssStart + RssGrowthBoundMb;
    if (grew)
        std::printf("BROKEN: resident memory grew by %.1f MB\n", fRssEnd - fRssStart);
    std::printf("broken promises: %d (the first 30 printed where they were found)\n", fBrokenCount);
    return fBrokenCount > 0 || grew ? 1 : 0;
}
}

int main(int argc, char **argv)
{
    // The simulator registers its port in the runtime folder: a private one,
    // so that no other program's port search finds the soak's controller and
    // talks to it.
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    QCoreApplication app(argc, argv);
    const int exchanges = argc > 1 ? std::max(1, atoi(argv[1])) : 10000;
    const quint32 seed = argc > 2 ? quint32(strtoul(argv[2], nullptr, 10)) : 1;
    QTemporaryDir folder;
    std::printf("link soak: %d exchanges, seed %u, simulator paced at 115200 baud\n", exchanges, seed);
    std::fflush(stdout);
    QElapsedTimer clock;
    clock.start();
    TSoak soak(seed, folder.path(), argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString());
    soak.Run(exchanges);
    return soak.Report(clock.elapsed() / 1000.0);
}
