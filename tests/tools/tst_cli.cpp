// pvbcs-cli as a technician uses it, against the simulated controller on a
// pseudo-terminal: the program is run as a separate process.
#include "clidatabase.h"
#include "cliterminal.h"
#include "config/commandline.h"
#include "link/dmcom.h"
#include "link/portlist.h"
#include "sim/beaconsimulator.h"
#include "config/version.h"
#include "testenv.h"
#include "unprivileged.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

namespace {
struct TRun {
    int code = -1;
    QStringList out; // lines
    QString err;
    QByteArray data; // standard output as it came
};

// Runs the tool, or with a wrapper the wrapper with the tool's path and
// arguments after its own.
TRun Cli(const QStringList &arguments, const QStringList &wrapper = {})
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_GB")); // day-first dates, 24-hour clock
    process.setProcessEnvironment(env);
    if (wrapper.isEmpty())
        process.start(QStringLiteral(PVBCS_CLI), arguments);
    else
        process.start(wrapper.constFirst(), wrapper.mid(1) + QStringList{QStringLiteral(PVBCS_CLI)} + arguments);
    if (!process.waitForFinished(120000))
        return {};
    TRun run;
    run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.data = process.readAllStandardOutput();
    run.out = QString::fromUtf8(run.data).split(u'\n', Qt::SkipEmptyParts);
    run.err = QString::fromUtf8(process.readAllStandardError()).trimmed();
    return run;
}

// Starts the simulator program on a virtual port and waits until it says so;
// returns the terminal it plays on, or an empty text when it did not start.
QString StartSimulator(QProcess &simulator, const QStringList &arguments)
{
    simulator.start(QStringLiteral(PVBCS_BEACON_SIM), arguments);
    static const QRegularExpression started(QStringLiteral("^Beacon controller simulator on (\\S+), registered as "));
    QByteArray said;
    while (!said.contains('\n') && simulator.waitForReadyRead(20000))
        said += simulator.readAllStandardOutput();
    return started.match(QString::fromUtf8(said)).captured(1);
}

// The virtual ports that "ports" lists.
QStringList VirtualPorts(const TRun &ports)
{
    QStringList names;
    for (const QString &line : ports.out)
        if (line.section(u'\t', 1, 1) == QLatin1String("Virtual serial port"))
            names << line.section(u'\t', 0, 0);
    return names;
}

QString ReadText(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

void WriteText(const QString &fileName, const QString &text)
{
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text.toLatin1());
}

// Edits the one line key=old of the file's text, as a technician would in an editor.
void Edit(QString &text, const QString &from, const QString &to)
{
    QCOMPARE(text.count(from + QStringLiteral("\r\n")), 1);
    text.replace(from + QStringLiteral("\r\n"), to + QStringLiteral("\r\n"));
}

int DstDay(const QDate &date)
{
    return int(QDate(2010, 1, 1).daysTo(date)) - 1;
}
}

class TestCli : public QObject {
    Q_OBJECT
    std::unique_ptr<TBeaconSimulator> sim;
    QTemporaryDir dir;

    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }
    QString port() const { return sim->PortName(); }

    TBeaconController Controller()
    {
        std::optional<TBeaconController> copy;
        sim->WithController([&](TBeaconController &c) { copy = c; });
        return *copy;
    }

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        QDir(VirtualPortFolder()).removeRecursively();
        QVERIFY(dir.isValid());
        CreateCliDatabase(); // as an installation leaves it, so every command is recorded
    }

    void init() { sim = std::make_unique<TBeaconSimulator>(); }
    void cleanup() { sim.reset(); }

    void downloadEditByHandAndUpload()
    {
        // The steps, as a technician's terminal shows them.
        const TTerminalRun download =
            RunOnTerminal(PVBCS_CLI, {"--port", port(), "download", "--out", path("beacon.bcfg")}, "xterm");
        QCOMPARE(download.code, 0);
        QCOMPARE(download.Shown(), QStringList({"Reading Communication Mode Settings...", "Reading Advanced Settings...",
                                                "Reading Beacon Schedule...", "Reading Calendar of Exceptions...",
                                                "Reading DST Settings...", "Reading Name for calendar record 2..."}));
        QVERIFY(download.out.isEmpty());

        QString text = ReadText(path("beacon.bcfg"));
        QVERIFY(text.startsWith(QLatin1String("[General]\r\nBrightnessMin=10\r\nBrightnessMax=100\r\nFlashPattern=4\r\n")));
        Edit(text, "BrightnessMin=10", "BrightnessMin=40");
        Edit(text, "FlashPattern=4", "FlashPattern=1");
        Edit(text, "FlashSpeed=2", "FlashSpeed=4");
        Edit(text, "LinkChannel=0", "LinkChannel=3");
        Edit(text, "BeaconRole=0", "BeaconRole=1");
        text.replace(QRegularExpression("DateDST1=[^\r]*"), "DateDST1=30/03/2025");
        text.replace(QRegularExpression("DateDST2=[^\r]*"), "DateDST2=26/10/2025");
        Edit(text, "TimeDST=02:00:00", "TimeDST=03:00:00");
        // An edited date whose ISO key still holds the old one is refused.
        WriteText(path("stale.bcfg"), text);
        const TRun stale = Cli({"--port", port(), "upload", "--in", path("stale.bcfg")});
        QCOMPARE(stale.code, 4);
        QVERIFY2(stale.err.startsWith(QLatin1String("DateDST1: '30/03/2025' and DateDST1ISO '")), qPrintable(stale.err));
        QVERIFY(stale.err.endsWith(QLatin1String("' do not agree; please correct or remove one of them.")));
        // The technician removes the old ISO dates and edits the ISO time.
        text.remove(QRegularExpression("DateDST[12]ISO=[^\r]*\r\n"));
        Edit(text, "TimeDSTISO=02:00:00", "TimeDSTISO=03:00:00");
        Edit(text, "cbOffsetDST=1", "cbOffsetDST=0");
        Edit(text, "ScheduleCount=2", "ScheduleCount=3");
        Edit(text, "RecOnTime=420", "RecOnTime=450");
        Edit(text, "Name=XMAS", "Name=CHRISTMAS DAY");
        text += "\r\n[Schedule2]\r\nid=7\r\nScheduleId=0\r\nRecDay=64\r\nRecOnTime=600\r\nRecOffTime=720\r\n";
        WriteText(path("beacon.bcfg"), text);

        sim->WithController([](TBeaconController &c) { c.SetClock(QDateTime(QDate(2020, 1, 1), QTime(0, 0))); });
        sim->ClearFrameLog();
        const TTerminalRun upload = RunOnTerminal(PVBCS_CLI, {"--port", port(), "upload", "--in", path("beacon.bcfg")},
                                                  "xterm");
        QCOMPARE(upload.code, 0);
        QVERIFY(upload.out.isEmpty());
        // The steps alone: the master role gives no warning.
        QCOMPARE(upload.Shown(), QStringList({"Writing Communication Mode Settings...",
                                              "Writing Real-Time Clock Settings...", "Writing Advanced Settings...",
                                              "Writing DST Settings...", "Writing Beacon Schedule...",
                                              "Writing Calendar of Exceptions...", "Writing Name for calendar record 2..."}));

        // The controller now holds exactly what the file said.
        const TBeaconController c = Controller();
        QCOMPARE(c.commMode, quint8(2));
        QCOMPARE(c.advanced, (std::array<quint8, 5>{0x5F, 1, 4, 1, 3}));
        QCOMPARE(int(c.dstStart), DstDay(QDate(2025, 3, 30)));
        QCOMPARE(int(c.dstEnd), DstDay(QDate(2025, 10, 26)));
        QCOMPARE(c.dstShift, quint16(180));
        QCOMPARE(c.dstOffset, quint8(30));
        QVERIFY(qAbs(c.Clock().secsTo(QDateTime::currentDateTime())) < 60);
        QCOMPARE(c.schedule[0].day, quint8(0x1F));
        QCOMPARE(c.schedule[0].on, quint16(450));
        QCOMPARE(c.schedule[0].off, quint16(510));
        QCOMPARE(c.schedule[1].on, quint16(870));
        QCOMPARE(c.schedule[2].day, quint8(64));
        QCOMPARE(c.schedule[2].on, quint16(600));
        QCOMPARE(c.schedule[2].off, quint16(720));
        QCOMPARE(c.schedule[3].day, quint8(0));
        QCOMPARE(c.calendar[0].name, QByteArray("CHRISTMAS DAY").leftJustified(15, '\0'));
        QCOMPARE(c.calendar[1].name, QByteArray("NEW YEAR").leftJustified(15, '\0'));
        QCOMPARE(c.calendar[2].dayNum, quint16(0));

        // A second download brings the edits back.
        QCOMPARE(Cli({"--port", port(), "download", "--out", path("again.bcfg")}).code, 0);
        const QString again = ReadText(path("again.bcfg"));
        for (const char *line : {"FlashPattern=1", "BrightnessMin=40", "DateDST1=30/03/2025", "TimeDST=03:00:00",
                                 "RecOnTime=450", "Name=CHRISTMAS DAY", "ScheduleCount=3"})
            QVERIFY2(again.contains(QLatin1String(line) + QLatin1String("\r\n")), line);
    }

    void uploadOptions()
    {
        WriteText(path("schedule.bcfg"), "[General]\r\nScheduleCount=1\r\n[Schedule0]\r\nRecDay=2\r\nRecOnTime=60\r\n"
                                         "RecOffTime=120\r\n");
        const TTerminalRun run = RunOnTerminal(
            PVBCS_CLI, {"--port", port(), "upload", "--in", path("schedule.bcfg"), "--parts", "schedule", "--no-clock"},
            "xterm");
        QCOMPARE(run.code, 0);
        QCOMPARE(run.Shown(), QStringList({"Writing Communication Mode Settings...", "Writing Beacon Schedule..."}));
        QStringList codes;
        for (const QByteArray &frame : sim->Received())
            codes << QString::fromLatin1(frame.mid(1, 2));
        codes.removeAll(QStringLiteral("01")); // who the controller is, for the register
        QCOMPARE(codes, QStringList({"02", "07"}));
        QCOMPARE(Controller().schedule[0].on, quint16(60));
        QCOMPARE(Controller().calendar[0].name, QByteArray("XMAS")); // left alone
    }

    void downloadOfOnePart()
    {
        QCOMPARE(Cli({"--port", port(), "download", "--out", path("part.bcfg"), "--parts", "schedule"}).code, 0);
        const QString text = ReadText(path("part.bcfg"));
        QVERIFY(text.startsWith(QLatin1String("[General]\r\nScheduleCount=2\r\n\r\n[Schedule0]\r\n")));
        QVERIFY(!text.contains(QLatin1String("Calendar")));
        QVERIFY(!text.contains(QLatin1String("Flash")));
    }

    void identifyStatusOverrideAndEvents()
    {
        TRun run = Cli({"--port", port(), "identify"});
        QCOMPARE(run.code, 0);
        QCOMPARE(run.out, QStringList({"Serial Number: 20240001", "Firmware: 0105", "Board: 0003"}));

        run = Cli({"--port", port(), "override", "on", "--until", "15:30"});
        QCOMPARE(run.code, 0);
        QCOMPARE(run.out, QStringList{"Override parameters were set to Beacon."});
        QCOMPARE(sim->Received().last(), QByteArray("!32030103A2"));

        sim->WithController([](TBeaconController &c) { c.SetClock(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9))); });
        run = Cli({"--port", port(), "status"});
        QCOMPARE(run.code, 0);
        QCOMPARE(run.out.size(), 6);
        QVERIFY(run.out.at(0).startsWith(QLatin1String("Time: 14:07:")));
        QCOMPARE(run.out.at(1), QStringLiteral("Date: 05/03/2024"));
        QVERIFY(run.out.at(2).startsWith(QLatin1String("Voltage: 12.")));
        QCOMPARE(run.out.at(4), QStringLiteral("Schedule overridden to ON state"));
        QCOMPARE(run.out.at(5), QStringLiteral("Switch in AUTO position"));

        QCOMPARE(Cli({"--port", port(), "override", "auto"}).code, 0);
        QCOMPARE(sim->Received().last(), QByteArray("!3203000000"));

        run = Cli({"--port", port(), "events", "--out", path("events.csv")});
        QCOMPARE(run.code, 0);
        QCOMPARE(run.out, QStringList{"93 event(s) saved to " + path("events.csv")});
        const QStringList lines = ReadText(path("events.csv")).split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 93);
        QVERIFY(lines.first().contains(QLatin1String("Schedule overridden; Beacons turned ON"))); // the newest
        // The override took the place of the oldest entry, the start-up.
        QVERIFY(lines.last().contains(QLatin1String("Beacons switched ON [Scheduled]")));
    }

    void anIncompleteEventListNeverReplacesAFile()
    {
        QVERIFY(Cli({"--port", port(), "events", "--out", path("log.csv")}).code == 0);
        const QString complete = ReadText(path("log.csv"));
        // Both attempts at slot 0 are answered for another command: 92 events.
        // First the register asks who the Beacon is, and is told.
        const auto spoilSlotZero = [this] {
            sim->QueueRawReply("!01082024000100030105");
            sim->QueueRawReply("!0100");
            sim->QueueRawReply("!0100");
        };
        spoilSlotZero();
        TRun run = Cli({"--port", port(), "events", "--out", path("log.csv")});
        QCOMPARE(run.code, 3);
        QCOMPARE(run.out, QStringList{"The list is incomplete, so " + path("log.csv") +
                                      " was left as it was; the 92 event(s) read were saved to " +
                                      path("log-partial.csv")});
        QCOMPARE(run.err, QStringLiteral("1 of the Beacon's event log entries could not be read; they are not listed."));
        QCOMPARE(ReadText(path("log.csv")), complete);
        QCOMPARE(ReadText(path("log-partial.csv")).count(u'\n'), 92);

        spoilSlotZero();
        run = Cli({"--port", port(), "events", "--out", path("log.csv")});
        QVERIFY(run.out.constFirst().endsWith(path("log-partial-2.csv")));
        QVERIFY(QFile::exists(path("log-partial-2.csv")));

        spoilSlotZero(); // a name not taken is written as asked
        run = Cli({"--port", port(), "events", "--out", path("new.csv")});
        QCOMPARE(run.code, 3);
        QCOMPARE(run.out, QStringList{"92 event(s) saved to " + path("new.csv")});
    }

    // Processes that follow one another on a slow line, as a technician's
    // script runs them: each leaves nothing owed for the next, whatever the
    // controller's pace; a request a killed process left unanswered is
    // answered into the next process's first exchange, which is not fooled.
    // What they save is what the same commands save on a prompt line.
    void processesThatFollowOneAnotherOnASlowLine()
    {
        QCOMPARE(Cli({"--port", port(), "download", "--out", path("prompt.bcfg")}).code, 0);
        QCOMPARE(Cli({"--port", port(), "events", "--out", path("prompt.csv")}).code, 0);
        const QString settings = ReadText(path("prompt.bcfg"));
        const QString events = ReadText(path("prompt.csv"));
        for (const int delay : {300, 600, 1200, 1800, 2400}) {
            const QString at = QStringLiteral("%1 ms").arg(delay);
            sim.reset();
            TSimOptions options;
            options.replyDelayMs = delay;
            sim = std::make_unique<TBeaconSimulator>(options);
            QCOMPARE(Cli({"--port", port(), "identify"}).code, 0);
            const TRun download = Cli({"--port", port(), "download", "--out", path("slow.bcfg")});
            QVERIFY2(download.code == 0, qPrintable(at + download.err));
            QVERIFY2(ReadText(path("slow.bcfg")) == settings, qPrintable(at));
            QCOMPARE(sim->RequestsWhileOwed(), 0);
        }
        // The event log: the requests around the handover slow, the rest prompt.
        for (const int delay : {600, 2400}) {
            for (const QByteArray &killed : {QByteArray(), QByteArray("!35015C"), QByteArray("!0100")}) {
                const QString at = QStringLiteral("%1 ms after \"%2\"").arg(delay).arg(QLatin1String(killed));
                sim.reset(); // the name is one simulator's at a time
                sim = std::make_unique<TBeaconSimulator>();
                TSimOptions slow;
                slow.replyDelayMs = delay;
                for (int i = 0; i < 4; ++i)
                    sim->QueueFaults(slow);
                if (killed.isEmpty()) {
                    QCOMPARE(Cli({"--port", port(), "identify"}).code, 0);
                } else {
                    QFile line(sim->DevicePath());
                    QVERIFY(line.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
                    QCOMPARE(line.write(killed), killed.size());
                    line.close();
                }
                const TRun run = Cli({"--port", port(), "events", "--out", path("slow.csv")});
                QVERIFY2(run.code == 0, qPrintable(at + run.err));
                QVERIFY2(ReadText(path("slow.csv")) == events, qPrintable(at));
            }
        }
    }

    void ctrlCAbortsTheEventDownloadAtOnce()
    {
        sim.reset();
        TSimOptions options;
        options.ignore = {0x35};
        sim = std::make_unique<TBeaconSimulator>(options);
        QProcess cli;
        cli.start(QStringLiteral(PVBCS_CLI), {"--port", port(), "events", "--out", path("aborted.csv")});
        QVERIFY(cli.waitForStarted());
        QTest::qWait(1500); // inside the first exchange
        QElapsedTimer clock;
        clock.start();
        ::kill(pid_t(cli.processId()), SIGINT);
        QVERIFY(cli.waitForFinished(10000));
        // The download stops at once; the process then ends within the reply
        // wait of its last request, so that its reply cannot reach the next.
        QVERIFY2(clock.elapsed() < TdmCOM::ReplyWaitMs, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
        QCOMPARE(cli.exitCode(), 130);
        QCOMPARE(QString::fromUtf8(cli.readAllStandardError()).trimmed(),
                 QStringLiteral("The download of the event log was aborted; nothing was saved."));
        QVERIFY(!QFile::exists(path("aborted.csv")));
    }

    void portsAndDiscovery()
    {
        // The name first, then what the system knows of the port, by tabs.
        QVERIFY(Cli({"ports"}).out.contains(port() + QStringLiteral("\tVirtual serial port\t\t\t")));
        const TRun run = Cli({"--port", "auto", "identify"});
        QCOMPARE(run.code, 0);
        QVERIFY(run.out.contains("Beacon found on " + port()));
        QVERIFY(run.out.contains("Serial Number: 20240001"));
    }

    // A simulator killed outright cannot remove its link, and its terminal's
    // number goes to the next terminal opened. The link's name is listed,
    // opened and searched no more, and the next simulator of that name takes
    // it back; a second while that one runs is refused.
    void aKilledSimulatorLeavesNoPortBehind()
    {
        sim.reset(); // the controllers here are the programs below
        QProcess killed, other, again, refused;
        const auto stop = qScopeGuard([&] {
            for (QProcess *simulator : {&other, &again}) {
                simulator->terminate();
                simulator->waitForFinished();
            }
        });
        const QString killedTerminal = StartSimulator(killed, {"--name", "killed"});
        QVERIFY(!killedTerminal.isEmpty());
        QCOMPARE(VirtualPorts(Cli({"ports"})), QStringList{"killed"});
        killed.kill();
        QVERIFY(killed.waitForFinished());
        const QString link = VirtualPortFolder() + QStringLiteral("/killed");
        QVERIFY(QFileInfo(link).isSymLink());

        const QString otherTerminal = StartSimulator(other, {"--name", "other", "--serial", "OTHER002"});
        QVERIFY(!otherTerminal.isEmpty());
        if (otherTerminal == killedTerminal)
            qInfo("The killed simulator's link leads to the other's terminal, %s.", qPrintable(otherTerminal));
        QCOMPARE(VirtualPorts(Cli({"ports"})), QStringList{"other"});
        TRun run = Cli({"--port", "auto", "identify"});
        QCOMPARE(run.code, 0);
        QVERIFY(run.out.contains("Beacon found on other"));
        QVERIFY(run.out.contains("Serial Number: OTHER002"));
        run = Cli({"--port", "killed", "identify"});
        QCOMPARE(run.code, 2);
        QCOMPARE(run.err, QStringLiteral("killed: No such file or directory"));

        const QString againTerminal = StartSimulator(again, {"--name", "killed", "--serial", "AGAIN003"});
        QVERIFY(!againTerminal.isEmpty());
        QCOMPARE(QFileInfo(link).symLinkTarget(), againTerminal);
        QCOMPARE(VirtualPorts(Cli({"ports"})), (QStringList{"killed", "other"}));
        run = Cli({"--port", "killed", "identify"});
        QCOMPARE(run.code, 0);
        QVERIFY(run.out.contains("Serial Number: AGAIN003"));

        QVERIFY(StartSimulator(refused, {"--name", "killed"}).isEmpty());
        refused.waitForFinished(); // ended already, most likely
        QCOMPARE(refused.state(), QProcess::NotRunning);
        QCOMPARE(refused.exitCode(), 1);
        QCOMPARE(QString::fromUtf8(refused.readAllStandardError()).trimmed(),
                 QStringLiteral("The virtual port killed is held by another running simulator (process %1). Please "
                                "choose another name, or end that simulator first.")
                     .arg(again.processId()));
    }

    // An upload must never reach a beacon the technician did not name.
    void autoRefusesToChooseBetweenControllers()
    {
        TSimOptions options;
        options.name = QStringLiteral("second");
        TBeaconSimulator second(options);
        const TRun run = Cli({"--port", "auto", "download", "--out", path("either.bcfg")});
        QCOMPARE(run.code, 2);
        QCOMPARE(run.err, QStringLiteral("More than one Beacon answered:\n  %1\n  %2\nName the one to use with --port.")
                              .arg(port(), second.PortName()));
        // Each was asked who it is, and nothing more.
        QVERIFY(!QFile::exists(path("either.bcfg")));
        QCOMPARE(sim->Received(), QList<QByteArray>{"!0100"});
        QCOMPARE(second.Received(), QList<QByteArray>{"!0100"});
    }

    void versionHelpAndStandardOutput()
    {
        for (const char *option : {"--version", "-h", "--help"}) {
            const TRun run = Cli({option});
            QCOMPARE(run.code, 0);
            QVERIFY(run.err.isEmpty());
            if (QByteArray(option) == "--version")
                QCOMPARE(run.out, QStringList{"pvbcs-cli " + GetExeVersion()});
            else
                QVERIFY(run.out.constFirst().startsWith(QLatin1String("Usage: pvbcs-cli ports")));
        }
        QCOMPARE(GetExeVersion().count(u'.'), 3);

        // "-": the file's text on standard output, the steps on standard error.
        QCOMPARE(Cli({"--port", port(), "download", "--out", path("file.bcfg")}).code, 0);
        TRun run = Cli({"--port", port(), "download", "--out", "-"});
        QCOMPARE(run.code, 0);
        QCOMPARE(run.data, ReadText(path("file.bcfg")).toLatin1());
        QVERIFY(run.err.isEmpty()); // no steps where no terminal shows them
        QVERIFY(!QFile::exists(QStringLiteral("-")));

        QCOMPARE(Cli({"--port", port(), "events", "--out", path("file.csv")}).code, 0);
        run = Cli({"--port", port(), "events", "--out", "-"});
        QCOMPARE(run.code, 0);
        QCOMPARE(run.data, ReadText(path("file.csv")).toLatin1());
        QCOMPARE(run.out.size(), 93);
        QCOMPARE(run.err, QStringLiteral("93 event(s) saved to -"));
    }

    // Run as an ordinary user outside the group of the serial device.
    void anOrdinaryUserIsToldHowToGetAccess()
    {
        const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
        if (::geteuid() != 0 || setpriv.isEmpty())
            QSKIP("Running as an ordinary user needs root and setpriv; the permission message is not tested.");
        const QString device = sim->DevicePath();
        QVERIFY(RestrictDevice(device));
        const TRun run = Cli({"--port", device, "identify"},
                             {setpriv, "--reuid=65534", "--regid=65534", "--clear-groups"});
        QCOMPARE(run.code, 2);
        QCOMPARE(run.err, QStringLiteral("This user may not open %1, which belongs to the group \"dialout\".\n\nTo "
                                         "join it on Debian and similar systems, run\n"
                                         "    sudo usermod -aG dialout $USER\nthen log out and log in again.")
                              .arg(device));
        QVERIFY(run.out.isEmpty());
        QVERIFY(sim->Received().isEmpty());
    }

    void badUsageTouchesNoPort()
    {
        const QList<QStringList> cases = {
            {},
            {"frobnicate"},
            {"identify"},
            {"--port", port(), "download"},
            {"--port", port(), "download", "--out", "x.bcfg", "--parts", "schedule,bogus"},
            {"--port", port(), "override", "maybe"},
            {"--port", port(), "override"},
            {"--port", port(), "override", "on", "--until", "25:00"},
            {"--port", port(), "status", "--out", "x"},
            {"--port", port(), "status", "extra"},
            {"ports", "--colour"},
            {"--port", "tcp://beacon", "identify"},
            {"--port", "tls://[::1]:99999", "status"},
        };
        for (const QStringList &arguments : cases) {
            const TRun run = Cli(arguments);
            QVERIFY2(run.code == ExitUsage, qPrintable(arguments.join(' ')));
            QVERIFY(run.err.endsWith(QLatin1String("Try \"pvbcs-cli --help\" for more information.")));
        }
        QVERIFY(sim->Received().isEmpty());

        const TRun help = Cli({"--help"});
        QCOMPARE(help.code, 0);
        for (const char *topic : {"identify", "--parts LIST", "--no-clock", "--until HH:MM", "EXIT STATUS", "auto"})
            QVERIFY2(help.out.join('\n').contains(QLatin1String(topic)), topic);
    }

    void failuresHaveTheirExitStatus()
    {
        TRun noPort = Cli({"--port", path("no-such-port"), "identify"});
        QCOMPARE(noPort.code, 2);
        QCOMPARE(noPort.err, path("no-such-port") + QStringLiteral(": No such file or directory"));
        noPort = Cli({"--port", "ttyNone9", "status"});
        QCOMPARE(noPort.code, 2);
        QVERIFY(noPort.err.startsWith(QLatin1String("ttyNone9: ")));

        // An output file that cannot be written is found before the
        // controller is asked anything; one that can is left as it was.
        for (const QString &out : {path("no-folder/x.bcfg"), dir.path()}) {
            const TRun run = Cli({"--port", port(), "download", "--out", out});
            QCOMPARE(run.code, 4);
            QCOMPARE(run.err, "Unable to write to " + out);
        }
        QCOMPARE(Cli({"--port", port(), "events", "--out", path("no-folder/x.csv")}).code, 4);
        QVERIFY(sim->Received().isEmpty());
        WriteText(path("kept.bcfg"), "kept");
        QCOMPARE(Cli({"--port", port(), "identify", "--out", path("kept.bcfg")}).code, ExitUsage);
        QCOMPARE(ReadText(path("kept.bcfg")), QStringLiteral("kept"));

        TRun run = Cli({"--port", port(), "upload", "--in", path("missing.bcfg")});
        QCOMPARE(run.code, 4);
        QCOMPARE(run.err, "The file " + path("missing.bcfg") + " does not exist.");

        // A file without the DST dates loads (missing keys keep their
        // defaults), but its rule cannot be sent; the refusal names the
        // date, not the controller's day number.
        WriteText(path("nodates.bcfg"), "[General]\r\nTimeDST=02:00:00\r\n");
        sim->ClearFrameLog();
        run = Cli({"--port", port(), "upload", "--in", path("nodates.bcfg"), "--parts", "advanced"});
        QCOMPARE(run.code, 5);
        QCOMPARE(run.err, QStringLiteral("DST start day: 30 December 1899 is outside the dates a Beacon can hold "
                                         "(2 January 2010 to 7 June 2189)."));
        QVERIFY(sim->Received().isEmpty());

        // Files that once crashed, hung or overflowed: refused at once,
        // naming the key, before the line is opened.
        const struct {
            const char *file;
            QStringList command;
            QString error;
        } hostile[] = {
            {"[General]\r\nScheduleCount=2147483647\r\n", {"--port", port(), "upload", "--in", path("h.bcfg")},
             "ScheduleCount: 2147483647 records are more than the 16 a Beacon holds."},
            {"[General]\r\nScheduleCount=1000000\r\n", {"report", "config", "--in", path("h.bcfg"), "--pdf",
                                                          path("h.pdf")},
             "ScheduleCount: 1000000 records are more than the 16 a Beacon holds."},
            {"[General]\r\nScheduleCount=1\r\n[Schedule0]\r\nRecDay=1\r\nRecOnTime=-2\r\nRecOffTime=2147483647\r\n",
             {"report", "config", "--in", path("h.bcfg"), "--pdf", path("h.pdf")},
             "[Schedule0] RecOnTime: the value -2 is outside 0 to 1439."},
            // Written under en_US without the ISO keys, read here under en_GB.
            {"[General]\r\nDateDST1=3/8/2026\r\nDateDST2=11/1/2026\r\nTimeDST=2:00:00 AM\r\n",
             {"--port", port(), "upload", "--in", path("h.bcfg"), "--parts", "advanced"},
             "DateDST1: cannot tell whether '3/8/2026' is 3 August or 8 March."},
        };
        for (const auto &h : hostile) {
            WriteText(path("h.bcfg"), QString::fromLatin1(h.file));
            sim->ClearFrameLog();
            QElapsedTimer clock;
            clock.start();
            run = Cli(h.command);
            QVERIFY2(clock.elapsed() < 30000, h.file);
            QCOMPARE(run.code, 4);
            QCOMPARE(run.err, h.error);
            QVERIFY(sim->Received().isEmpty());
            QVERIFY(!QFile::exists(path("h.pdf")));
        }

        sim.reset();
        TSimOptions silent;
        silent.silent = true;
        sim = std::make_unique<TBeaconSimulator>(silent);
        run = Cli({"--port", port(), "download", "--out", path("silent.bcfg")});
        QCOMPARE(run.code, 3);
        QCOMPARE(run.err, QStringLiteral("Exception while processing Communication Mode Settings"));
        QVERIFY(run.out.isEmpty());
        QVERIFY(!QFile::exists(path("silent.bcfg")));
        QCOMPARE(Cli({"--port", port(), "identify"}).code, 3);

        // A controller whose every reply has a character changed answers nothing usable.
        sim.reset();
        TSimOptions damaged;
        damaged.damageEvery = 1;
        damaged.damage = TDamage::Change;
        sim = std::make_unique<TBeaconSimulator>(damaged);
        run = Cli({"--port", port(), "download", "--out", path("damaged.bcfg")});
        QCOMPARE(run.code, 3);
        QCOMPARE(run.err, QStringLiteral("Exception while processing Communication Mode Settings"));
        QVERIFY(!QFile::exists(path("damaged.bcfg")));

        // A line that fails says which port it was.
        sim.reset();
        TSimOptions hangsUp;
        hangsUp.closeAfter = 2;
        sim = std::make_unique<TBeaconSimulator>(hangsUp);
        run = Cli({"--port", port(), "download", "--out", path("cut.bcfg")});
        QCOMPARE(run.code, 3);
        QVERIFY2(run.err.startsWith("Lost the connection to " + port() + " while "), qPrintable(run.err));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
