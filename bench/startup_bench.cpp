// Start-up figures of the window program: the time from its start to its
// first shown main window, and its resident memory then, with an empty library
// and with one of 1,000 schedules + 1,000 calendars of 16 records each. Every
// run starts the real pvbcs as a child in a home folder of its own holding
// the library; PVBCS_STOP_WHEN_SHOWN makes it stop itself once its window has
// first been painted, and this program reads the clock and /proc then.
// Usage: startup_bench [RUNS]   (10 runs by default, after one not counted)
#include "benchlibrary.h"
#include "config/appconfig.h"
#include "store/librarydb.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

namespace {
constexpr int LargeLibrary = 1000;
constexpr int RecordsPerEntry = 16;
constexpr int ShowTimeoutSeconds = 60;

struct TSample {
    double ms = 0;
    double rssMb = 0; // VmRSS when the window was shown
    double hwmMb = 0; // VmHWM: the most it was resident until then
};

double Now()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1000 + double(t.tv_nsec) / 1e6;
}

// A "VmXXX:   1234 kB" line of /proc/<pid>/status, in MB.
double StatusMb(const QByteArray &status, const char *key)
{
    for (const QByteArray &line : status.split('\n'))
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').first().toDouble() / 1024;
    return -1;
}

// The home folder of a run: the per-user folders under it, the runtime one
// private as Qt wants it, and the library where the program looks by default.
QStringList PrepareHome(const QString &home, int entries)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/run"));
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("PVBCS_STOP_WHEN_SHOWN"), QStringLiteral("1"));
    QDir().mkpath(home + QStringLiteral("/run"));
    QFile::setPermissions(home + QStringLiteral("/run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    // This process asks the same per-user folders where the library goes.
    qputenv("XDG_DATA_HOME", env.value(QStringLiteral("XDG_DATA_HOME")).toLocal8Bit());
    const QString library = TAppConfig::DefaultUserFolder() + QStringLiteral("/pvbcs.db");
    CreateLibraryDatabase(library);
    TDM dm;
    if (!dm.OpenDatabase(library))
        throw std::runtime_error("cannot open the library made for the run");
    FillLibrary(entries, RecordsPerEntry);
    return env.toStringList();
}

// One start of program; nothing when it did not show its window in time.
std::optional<TSample> StartOnce(const QByteArray &program, const QStringList &environment, const QByteArray &log)
{
    std::vector<QByteArray> envText;
    for (const QString &entry : environment)
        envText.push_back(entry.toLocal8Bit());
    std::vector<char *> envp;
    for (QByteArray &entry : envText)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    char *argv[] = {const_cast<char *>(program.constData()), nullptr};

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, log.constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&files, 1, 2);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none); // ours blocks SIGCHLD
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK);

    const double start = Now();
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, program.constData(), &files, &attr, argv, envp.data());
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attr);
    if (failed != 0)
        return std::nullopt;

    // The child's stop (or end) arrives as SIGCHLD, which this process keeps blocked to wait for it.
    sigset_t child;
    sigemptyset(&child);
    sigaddset(&child, SIGCHLD);
    std::optional<TSample> sample;
    int status = 0;
    while (Now() - start < ShowTimeoutSeconds * 1000.0) {
        const pid_t changed = waitpid(pid, &status, WNOHANG | WUNTRACED);
        if (changed == pid && WIFSTOPPED(status)) {
            TSample s;
            s.ms = Now() - start;
            QFile proc(QStringLiteral("/proc/%1/status").arg(pid));
            if (proc.open(QIODevice::ReadOnly)) {
                const QByteArray text = proc.readAll();
                s.rssMb = StatusMb(text, "VmRSS:");
                s.hwmMb = StatusMb(text, "VmHWM:");
            }
            sample = s;
            break;
        }
        if (changed == pid)
            return std::nullopt; // ended without showing its window
        const timespec wait{0, 100 * 1000 * 1000};
        sigtimedwait(&child, nullptr, &wait);
    }
    kill(pid, SIGKILL);
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return sample;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void Print(const char *what, const std::vector<double> &v, const char *unit)
{
    std::printf("  %-24s median %7.1f %s, min %7.1f, max %7.1f\n", what, Median(v), unit,
                *std::min_element(v.begin(), v.end()), *std::max_element(v.begin(), v.end()));
}
}

int main(int argc, char **argv)
{
    // Blocked before any thread exists, so every thread leaves SIGCHLD pending for sigtimedwait.
    sigset_t child;
    sigemptyset(&child);
    sigaddset(&child, SIGCHLD);
    pthread_sigmask(SIG_BLOCK, &child, nullptr);
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 10;
    const QByteArray program = QByteArrayLiteral(PVBCS_APP);

    std::printf("pvbcs from start to its first shown window, %d runs after one not counted:\n", runs);
    for (const int entries : {0, LargeLibrary}) {
        QTemporaryDir home;
        const QStringList env = PrepareHome(home.path(), entries);
        const QByteArray log = home.filePath(QStringLiteral("pvbcs.log")).toLocal8Bit();
        std::vector<double> ms, rss, hwm;
        for (int run = 0; run <= runs; ++run) {
            const std::optional<TSample> sample = StartOnce(program, env, log);
            if (!sample) {
                QFile output(QString::fromLocal8Bit(log));
                output.open(QIODevice::ReadOnly);
                std::fprintf(stderr, "pvbcs did not show its window within %d s; its output:\n%s\n",
                             ShowTimeoutSeconds, output.readAll().constData());
                return 1;
            }
            if (run == 0)
                continue; // fills the system's caches
            ms.push_back(sample->ms);
            rss.push_back(sample->rssMb);
            hwm.push_back(sample->hwmMb);
        }
        std::printf("library of %d schedules + %d calendars (%d records each), platform %s:\n", entries, entries,
                    RecordsPerEntry,
                    qPrintable(QProcessEnvironment::systemEnvironment().value(QStringLiteral("QT_QPA_PLATFORM"),
                                                                              QStringLiteral("offscreen"))));
        Print("time to shown window", ms, "ms");
        Print("resident (VmRSS) then", rss, "MB");
        Print("peak resident (VmHWM)", hwm, "MB");
    }
    return 0;
}
