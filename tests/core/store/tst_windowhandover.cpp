// One window per library: a second start hands its settings files to the
// window that has the library open, and only to a window that is there.
#include "store/librarydb.h"
#include "store/librarylock.h"
#include "store/windowhandover.h"
#include "testenv.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QtTest>
#include <future>

class TestWindowHandover : public QObject {
    Q_OBJECT

    QTemporaryDir fDir;

    QString path(const QString &name) const { return fDir.filePath(name); }

    // HandOver from another thread, while this one runs the window's loop.
    static bool HandOverWhileServing(const QString &db, const QStringList &files)
    {
        std::future<bool> handed = std::async(std::launch::async, [&] { return TWindowHandover::HandOver(db, files); });
        while (handed.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
            QCoreApplication::processEvents();
        return handed.get();
    }

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        QVERIFY(fDir.isValid());
    }

    // The window gets every file, made absolute against the second start's
    // folder, in order; names with line ends or other odd bytes arrive whole.
    void theWindowTakesTheFilesOfASecondStart()
    {
        const QString db = path(QStringLiteral("library.db"));
        QVERIFY(CreateLibraryDatabase(db));
        const TLibraryLock lock(db);
        TWindowHandover window(db);
        QVERIFY(window.Listening());
        QSignalSpy handed(&window, &TWindowHandover::FilesHanded);

        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(fDir.path()));
        const bool taken = HandOverWhileServing(
            db, {QStringLiteral("school 12.bcfg"), path(QStringLiteral("odd\nname%20ü.bcfg")), QStringLiteral("/x/a.bcfg")});
        QDir::setCurrent(previous);
        QVERIFY(taken);
        QTRY_COMPARE(handed.size(), 1);
        QCOMPARE(handed.at(0).at(0).toStringList(),
                 QStringList({path(QStringLiteral("school 12.bcfg")), path(QStringLiteral("odd\nname%20ü.bcfg")),
                              QStringLiteral("/x/a.bcfg")}));

        // Another library's window is another socket.
        const QString other = path(QStringLiteral("other.db"));
        QVERIFY(CreateLibraryDatabase(other));
        QVERIFY(TWindowHandover::ServerName(other) != TWindowHandover::ServerName(db));
    }

    // Without a window holding the library, a start gives up at once and
    // opens its own; with a holder that does not answer, at the deadline.
    void noWindowTakesNothing_data()
    {
        QTest::addColumn<QString>("holder"); // who holds the library's lock
        QTest::addColumn<bool>("waits");
        QTest::newRow("no lock") << QString() << false;
        QTest::newRow("left by an ended window") << QStringLiteral("ended") << false;
        QTest::newRow("a window that takes no files") << QStringLiteral("running") << true;
    }

    void noWindowTakesNothing()
    {
        QFETCH(QString, holder);
        QFETCH(bool, waits);
        const QString db = path(QStringLiteral("alone-%1.db").arg(QTest::currentDataTag()).replace(u' ', u'-'));
        QVERIFY(CreateLibraryDatabase(db));
        std::optional<TLibraryLock> lock;
        if (holder == QLatin1String("running"))
            lock.emplace(db);
        if (holder == QLatin1String("ended")) {
            QProcess ended;
            ended.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("echo $$")});
            QVERIFY(ended.waitForFinished());
            QFile stale(TLibraryLock::LockFileName(db));
            QVERIFY(stale.open(QIODevice::WriteOnly));
            stale.write(ended.readAllStandardOutput().trimmed() + "\npvbcs\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        }
        const int deadline = waits ? 1000 : 60000;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!TWindowHandover::HandOver(db, {QStringLiteral("a.bcfg")}, deadline));
        if (waits)
            QVERIFY(clock.elapsed() >= deadline);
        else
            QVERIFY(clock.elapsed() < deadline / 2);
    }

    // A socket left by a window that crashed does not keep the next one from
    // listening; what is not a message of ours is dropped unanswered.
    void aLeftSocketIsReplacedAndStrangersAreDropped()
    {
        const QString db = path(QStringLiteral("crashed.db"));
        QVERIFY(CreateLibraryDatabase(db));
        QFile left(TWindowHandover::ServerName(db));
        QVERIFY(left.open(QIODevice::WriteOnly));
        left.close();
        const TLibraryLock lock(db);
        TWindowHandover window(db);
        QVERIFY(window.Listening());
        QSignalSpy handed(&window, &TWindowHandover::FilesHanded);

        for (const QByteArray &stranger : {QByteArray(2 * 1024 * 1024, 'x'), QByteArray("not a file URL\nhttp://x/a.bcfg\n\n")}) {
            QLocalSocket socket;
            socket.connectToServer(TWindowHandover::ServerName(db));
            QVERIFY(socket.waitForConnected(10000));
            socket.write(stranger);
            QTRY_VERIFY_WITH_TIMEOUT(socket.state() == QLocalSocket::UnconnectedState, 20000);
            QVERIFY(!socket.readAll().contains("taken"));
        }
        QCOMPARE(handed.size(), 0);
        // The window still takes files afterwards.
        QVERIFY(HandOverWhileServing(db, {path(QStringLiteral("after.bcfg"))}));
        QTRY_COMPARE(handed.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestWindowHandover)
#include "tst_windowhandover.moc"
