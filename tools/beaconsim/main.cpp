// pvbcs-beacon-sim: a beacon controller on a pseudo-terminal, registered as a
// virtual serial port until it ends, for training, demonstrations and tests.
#include "config/version.h"
#include "sim/beaconsimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>
#include <csignal>
#include <exception>
#include <tuple>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {
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
    QCoreApplication::setApplicationVersion(GetExeVersion());
    QTextStream out(stdout), err(stderr);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulates a beacon controller on a pseudo-terminal registered as a virtual serial port.\n"
        "Quiet until asked; answers all twelve commands and keeps its state until it ends."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QList<QCommandLineOption> options = {
        {QStringLiteral("name"), QStringLiteral("Name of the virtual port (default beacon-sim)."), QStringLiteral("name")},
        {QStringLiteral("serial"), QStringLiteral("Serial number, 8 characters."), QStringLiteral("text")},
        {QStringLiteral("board"), QStringLiteral("Board version, 4 characters."), QStringLiteral("text")},
        {QStringLiteral("firmware"), QStringLiteral("Firmware version, 4 characters."), QStringLiteral("text")},
        {QStringLiteral("silent"), QStringLiteral("Never answer.")},
        {QStringLiteral("ignore"), QStringLiteral("Leave these commands unanswered (hex codes, comma-separated)."),
         QStringLiteral("codes")},
        {QStringLiteral("drop-every"), QStringLiteral("Do not send every Nth reply."), QStringLiteral("n")},
        {QStringLiteral("noise"), QStringLiteral("Send this text in front of every reply."), QStringLiteral("text")},
        {QStringLiteral("lowercase"), QStringLiteral("Write the hex digits of replies in lower case.")},
        {QStringLiteral("reply-delay"), QStringLiteral("Wait this long before each reply."), QStringLiteral("ms")},
        {QStringLiteral("byte-gap"), QStringLiteral("Pause this long between the bytes of a reply."), QStringLiteral("ms")},
        {QStringLiteral("close-after"),
         QStringLiteral("Hang the line up when the Nth frame arrives, without answering it."), QStringLiteral("n")},
        {QStringLiteral("damage"),
         QStringLiteral("Damage every Nth reply: drop:N leaves one character out, change:N changes one into a "
                        "character that cannot stand in a frame."),
         QStringLiteral("kind:n")},
        {QStringLiteral("no-pacing"),
         QStringLiteral("Send replies at once and take requests as they come, instead of at the line's rate "
                        "(115200 baud, about 87 microseconds a byte each way).")},
        {QStringLiteral("log"), QStringLiteral("Append every frame (time, direction, text) to this file."),
         QStringLiteral("file")},
        {QStringLiteral("corrupt"),
         QStringLiteral("Store one value of these commands' writes altered, as a faulty memory would (hex codes, "
                        "comma-separated: 02 mode, 07 schedule, 06 calendar, 30 advanced, 16 DST, 33 names)."),
         QStringLiteral("codes")},
    };
    parser.addOptions(options);
    parser.process(app);

    TSimOptions sim;
    if (parser.isSet(QStringLiteral("name")))
        sim.name = parser.value(QStringLiteral("name"));
    for (auto [option, field, size] : {std::tuple{"serial", &sim.serial, 8}, std::tuple{"board", &sim.board, 4},
                                       std::tuple{"firmware", &sim.firmware, 4}}) {
        if (!parser.isSet(QLatin1String(option)))
            continue;
        *field = parser.value(QLatin1String(option)).toLatin1();
        if (field->size() != size) {
            err << "--" << option << " takes " << size << " characters\n";
            return 2;
        }
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
        !ParseCount(parser, QStringLiteral("close-after"), sim.closeAfter) || !ParseDamage(parser, sim)) {
        err << "Invalid option value; see --help\n";
        return 2;
    }

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
