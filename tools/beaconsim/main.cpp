// pvbcs-beacon-sim: a beacon controller on a pseudo-terminal, registered as a
// virtual serial port until it ends, for training, demonstrations and tests.
#include "config/commandline.h"
#include "config/version.h"
#include "manual/pvbcs-beacon-sim.h"
#include "sim/beaconsimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <exception>
#include <tuple>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {
const char *const kProgram = "pvbcs-beacon-sim";

bool ParseCount(const QCommandLineParser &parser, const QString &option, int &value)
{
    if (!parser.isSet(option))
        return true;
    bool ok = false;
    value = parser.value(option).toInt(&ok);
    return ok && value >= 0;
}

// "drop:N" or "change:N": every Nth reply loses a character or has one changed.
bool ParseDamage(const QCommandLineParser &parser, TSimOptions &sim)
{
    if (!parser.isSet(QStringLiteral("damage")))
        return true;
    const QStringList parts = parser.value(QStringLiteral("damage")).split(u':');
    if (parts.size() != 2)
        return false;
    if (parts[0] == QLatin1String("drop"))
        sim.damage = TDamage::Drop;
    else if (parts[0] == QLatin1String("change"))
        sim.damage = TDamage::Change;
    else
        return false;
    bool ok = false;
    sim.damageEvery = parts[1].toInt(&ok);
    return ok && sim.damageEvery > 0;
}

bool ParseCommands(const QString &list, QSet<quint8> &commands)
{
    for (const QString &item : list.split(u',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const uint code = item.trimmed().toUInt(&ok, 16);
        if (!ok || code > 0xFF)
            return false;
        commands.insert(quint8(code));
    }
    return true;
}
}

int main(int argc, char **argv)
{
    // Signals are taken from a descriptor, so block them before any thread starts.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pvbcs-beacon-sim"));

    // The options' texts are those of the manual page, which --help shows.
    QCommandLineParser parser;
    parser.addOptions({
        {{QStringLiteral("h"), QStringLiteral("help")}, {}},
        {{QStringLiteral("v"), QStringLiteral("version")}, {}},
        {QStringLiteral("name"), {}, QStringLiteral("name")},
        {QStringLiteral("serial"), {}, QStringLiteral("text")},
        {QStringLiteral("board"), {}, QStringLiteral("text")},
        {QStringLiteral("firmware"), {}, QStringLiteral("text")},
        {QStringLiteral("silent"), {}},
        {QStringLiteral("ignore"), {}, QStringLiteral("codes")},
        {QStringLiteral("drop-every"), {}, QStringLiteral("n")},
        {QStringLiteral("noise"), {}, QStringLiteral("text")},
        {QStringLiteral("lowercase"), {}},
        {QStringLiteral("reply-delay"), {}, QStringLiteral("ms")},
        {QStringLiteral("byte-gap"), {}, QStringLiteral("ms")},
        {QStringLiteral("close-after"), {}, QStringLiteral("n")},
        {QStringLiteral("damage"), {}, QStringLiteral("kind:n")},
        {QStringLiteral("no-pacing"), {}},
        {QStringLiteral("log"), {}, QStringLiteral("file")},
        {QStringLiteral("corrupt"), {}, QStringLiteral("codes")},
    });
    if (!parser.parse(app.arguments()))
        return UsageError(kProgram, parser.errorText());
    if (const std::optional<int> answered = AnswerHelpOrVersion(parser, kProgram, kManualPage))
        return *answered;
    if (!parser.positionalArguments().isEmpty())
        return UsageError(kProgram,
                          QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().constFirst()));

    TSimOptions sim;
    if (parser.isSet(QStringLiteral("name")))
        sim.name = parser.value(QStringLiteral("name"));
    for (auto [option, field, size] : {std::tuple{"serial", &sim.serial, 8}, std::tuple{"board", &sim.board, 4},
                                       std::tuple{"firmware", &sim.firmware, 4}}) {
        if (!parser.isSet(QLatin1String(option)))
            continue;
        *field = parser.value(QLatin1String(option)).toLatin1();
        if (field->size() != size)
            return UsageError(kProgram,
                              QStringLiteral("--%1 takes %2 characters").arg(QLatin1String(option)).arg(size));
    }
    sim.silent = parser.isSet(QStringLiteral("silent"));
    sim.lowercase = parser.isSet(QStringLiteral("lowercase"));
    sim.paced = !parser.isSet(QStringLiteral("no-pacing"));
    sim.noise = parser.value(QStringLiteral("noise")).toLatin1();
    sim.logFile = parser.value(QStringLiteral("log"));
    QSet<quint8> corrupt;
    if (!ParseCommands(parser.value(QStringLiteral("ignore")), sim.ignore) ||
        !ParseCommands(parser.value(QStringLiteral("corrupt")), corrupt) ||
        !ParseCount(parser, QStringLiteral("drop-every"), sim.dropEvery) ||
        !ParseCount(parser, QStringLiteral("reply-delay"), sim.replyDelayMs) ||
        !ParseCount(parser, QStringLiteral("byte-gap"), sim.byteGapMs) ||
        !ParseCount(parser, QStringLiteral("close-after"), sim.closeAfter) || !ParseDamage(parser, sim))
        return UsageError(kProgram, QStringLiteral("invalid option value"));
    // With the frames on standard output, what the simulator says goes to standard error.
    QTextStream out(sim.logFile == QLatin1String("-") ? stderr : stdout), err(stderr);

    try {
        TBeaconSimulator simulator(sim);
        simulator.WithController([&corrupt](TBeaconController &controller) { controller.corruptWrites = corrupt; });
        out << "Beacon controller simulator on " << simulator.DevicePath() << ", registered as "
            << simulator.PortName() << Qt::endl;

        const int signalFd = ::signalfd(-1, &signals, SFD_CLOEXEC);
        QSocketNotifier onSignal(signalFd, QSocketNotifier::Read);
        QObject::connect(&onSignal, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
        // Nothing is left to serve once the line has been hung up.
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, &app, [&] {
            if (!simulator.LineOpen()) {
                out << "Line closed." << Qt::endl;
                app.quit();
            }
        });
        watch.start(200);
        const int rc = app.exec();
        ::close(signalFd);
        return rc;
    } catch (const std::exception &e) {
        err << e.what() << '\n';
        return 1;
    }
}
