// Installing: what "cmake --install" puts under a prefix, that the desktop's
// validators accept the menu and software-centre entries, and that the Debian
// package holds the same files and its programs run.
#include "config/version.h"
#include "testenv.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {
struct TRun {
    int code = -1;
    QString out;
};

TRun Run(const QString &program, const QStringList &arguments, const QMap<QString, QString> &environment = {})
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (auto it = environment.begin(); it != environment.end(); ++it)
        env.insert(it.key(), it.value());
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(300000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2,
            QString::fromUtf8(process.readAll())};
}

// The files and links under root, as absolute paths below it.
QStringList FilesUnder(const QString &root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::System | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next().mid(root.size());
    files.sort();
    return files;
}

const QStringList kPrograms = {QStringLiteral("pvbcs"), QStringLiteral("pvbcs-cli"), QStringLiteral("pvbcs-beacon-sim"),
                               QStringLiteral("pvbcs-initdb")};

// What an installation under /usr holds.
QStringList ExpectedFiles()
{
    const QString id = ApplicationId();
    QStringList files;
    for (const QString &program : kPrograms)
        files << QStringLiteral("/usr/bin/") + program;
    files << QStringLiteral("/usr/share/applications/%1.desktop").arg(id)
          << QStringLiteral("/usr/share/metainfo/%1.metainfo.xml").arg(id)
          << QStringLiteral("/usr/share/icons/hicolor/scalable/apps/%1.svg").arg(id);
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        files << QStringLiteral("/usr/share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(id);
    for (const char *page : {"pvbcs", "pvbcs-cli", "pvbcs-beacon-sim", "pvbcs-initdb"})
        files << QStringLiteral("/usr/share/man/man1/%1.1").arg(QLatin1String(page));
    files << QStringLiteral("/usr/share/pvbcs/pvbcs.sql") << QStringLiteral("/usr/share/pvbcs/help/pvbcs.html");
    for (const QString &picture : QDir(QStringLiteral(PVBCS_SOURCE_DIR "/docs")).entryList({QStringLiteral("*.png")}))
        files << QStringLiteral("/usr/share/pvbcs/help/") + picture;
    files.sort();
    return files;
}

// Each program answers --version with its name and the four-part version,
// without a display; the window's --help finds its manual beside it.
void VerifyProgramsRun(const QString &root)
{
    for (const QString &program : kPrograms) {
        const TRun run = Run(root + QStringLiteral("/usr/bin/") + program, {QStringLiteral("--version")},
                             {{QStringLiteral("DISPLAY"), QString()}, {QStringLiteral("QT_QPA_PLATFORM"), QString()}});
        QCOMPARE(run.code, 0);
        QCOMPARE(run.out.trimmed(), program + u' ' + GetExeVersion());
    }
    const TRun help = Run(root + QStringLiteral("/usr/bin/pvbcs"), {QStringLiteral("--help")});
    QCOMPARE(help.code, 0);
    QVERIFY2(help.out.contains(QStringLiteral("The operator's manual: ")
                               + QFileInfo(root + QStringLiteral("/usr/share/pvbcs/help/pvbcs.html")).canonicalFilePath()),
             qPrintable(help.out));
}
}

class TestInstall : public QObject {
    Q_OBJECT

    QTemporaryDir fStage;

    QString staged(const QString &path) const { return fStage.path() + path; }

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        QVERIFY(fStage.isValid());
        const TRun install = Run(QStringLiteral(CMAKE_COMMAND),
                                 {QStringLiteral("--install"), QStringLiteral(PVBCS_BUILD_DIR), QStringLiteral("--prefix"),
                                  QStringLiteral("/usr")},
                                 {{QStringLiteral("DESTDIR"), fStage.path()}});
        QVERIFY2(install.code == 0, qPrintable(install.out));
    }

    void installsEveryFileInItsPlace()
    {
        QCOMPARE(FilesUnder(fStage.path()), ExpectedFiles());
        for (const QString &program : kPrograms)
            QVERIFY(QFileInfo(staged(QStringLiteral("/usr/bin/") + program)).isExecutable());
        VerifyProgramsRun(fStage.path());

        // The menu entry starts the program and shows its icon; everything is
        // named by the one application id.
        QFile entry(staged(QStringLiteral("/usr/share/applications/%1.desktop").arg(ApplicationId())));
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(entry.readAll()).split(u'\n');
        QVERIFY(lines.contains(QStringLiteral("Exec=pvbcs")));
        QVERIFY(lines.contains(QStringLiteral("Icon=") + ApplicationId()));
        QFile metainfo(staged(QStringLiteral("/usr/share/metainfo/%1.metainfo.xml").arg(ApplicationId())));
        QVERIFY(metainfo.open(QIODevice::ReadOnly));
        const QString component = QString::fromUtf8(metainfo.readAll());
        QVERIFY(component.contains(QStringLiteral("<id>%1</id>").arg(ApplicationId())));
        QVERIFY(component.contains(QStringLiteral("<launchable type=\"desktop-id\">%1.desktop</launchable>").arg(ApplicationId())));
        QVERIFY(component.contains(QStringLiteral("<release version=\"%1\"").arg(GetExeVersion())));
        QVERIFY(component.count(QStringLiteral("<screenshot")) >= 3);
        QVERIFY(ApplicationId().startsWith(QLatin1String("example.orvellaworks.")));
    }

    void theDesktopsValidatorsAcceptTheEntries()
    {
        const QString desktopValidator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        const QString appstream = QStandardPaths::findExecutable(QStringLiteral("appstreamcli"));
        if (desktopValidator.isEmpty() || appstream.isEmpty())
            QSKIP("desktop-file-validate or appstreamcli is missing (scripts/deps.sh installs them); entries not validated.");
        const TRun desktop = Run(desktopValidator,
                                 {staged(QStringLiteral("/usr/share/applications/%1.desktop").arg(ApplicationId()))});
        QVERIFY2(desktop.code == 0 && desktop.out.isEmpty(), qPrintable(desktop.out));
        const TRun metainfo =
            Run(appstream, {QStringLiteral("validate"), QStringLiteral("--no-net"),
                            staged(QStringLiteral("/usr/share/metainfo/%1.metainfo.xml").arg(ApplicationId()))});
        QVERIFY2(metainfo.code == 0, qPrintable(metainfo.out));
        QVERIFY2(!metainfo.out.contains(QLatin1String("W: ")) && !metainfo.out.contains(QLatin1String("E: ")),
                 qPrintable(metainfo.out));

        const QString groff = QStandardPaths::findExecutable(QStringLiteral("groff"));
        if (groff.isEmpty())
            QSKIP("groff is missing; the manual pages are not checked.");
        for (const char *page : {"pvbcs", "pvbcs-cli", "pvbcs-beacon-sim", "pvbcs-initdb"}) {
            const TRun man = Run(groff, {QStringLiteral("-man"), QStringLiteral("-ww"), QStringLiteral("-z"),
                                         staged(QStringLiteral("/usr/share/man/man1/%1.1").arg(QLatin1String(page)))});
            QVERIFY2(man.code == 0 && man.out.isEmpty(), qPrintable(man.out));
        }
    }

    void theDebianPackageHoldsTheSameFilesAndRuns()
    {
        const QString cpack = QStringLiteral(CPACK_COMMAND);
        const QString dpkgDeb = QStandardPaths::findExecutable(QStringLiteral("dpkg-deb"));
        if (!QFileInfo(cpack).isExecutable() || dpkgDeb.isEmpty()
            || QStandardPaths::findExecutable(QStringLiteral("dpkg-shlibdeps")).isEmpty())
            QSKIP("cpack, dpkg-deb or dpkg-shlibdeps is missing (scripts/deps.sh installs them); no package is built.");
        QTemporaryDir out;
        const TRun pack = Run(cpack, {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
                                      QStringLiteral(PVBCS_BUILD_DIR "/CPackConfig.cmake"), QStringLiteral("-B"), out.path()});
        QVERIFY2(pack.code == 0, qPrintable(pack.out));
        const QStringList debs = QDir(out.path()).entryList({QStringLiteral("pvbcs_*.deb")});
        QCOMPARE(debs.size(), 1);
        const QString deb = out.filePath(debs.constFirst());
        QVERIFY(debs.constFirst().startsWith(QStringLiteral("pvbcs_%1_").arg(GetExeVersion())));

        const TRun fields = Run(dpkgDeb, {QStringLiteral("--field"), deb, QStringLiteral("Depends")});
        QCOMPARE(fields.code, 0);
        for (const char *package : {"qt6-qpa-plugins", "libqt6serialport6", "libqt6widgets6", "libsqlite3-0"})
            QVERIFY2(fields.out.contains(QLatin1String(package)), qPrintable(fields.out));

        const QString unpacked = out.filePath(QStringLiteral("root"));
        QCOMPARE(Run(dpkgDeb, {QStringLiteral("--extract"), deb, unpacked}).code, 0);
        QCOMPARE(FilesUnder(unpacked), ExpectedFiles());
        VerifyProgramsRun(unpacked);
        // Stripped: a package a tenth of the debug build's size.
        QVERIFY(QFileInfo(unpacked + QStringLiteral("/usr/bin/pvbcs")).size()
                < QFileInfo(staged(QStringLiteral("/usr/bin/pvbcs"))).size());
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
