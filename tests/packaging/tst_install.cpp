// Installing: what "cmake --install" puts under a prefix, that the desktop's
// validators accept the menu and software-centre entries, that a settings
// file opens with the program, that the changelog and NEWS are this
// version's, and that the Debian package holds the same files, its programs
// run, its debug symbols are kept apart and lintian finds nothing wrong.
#include "config/version.h"
#include "testenv.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {
struct TRun {
    int code = -1;
    QString out;
};

TRun Run(const QString &program, const QStringList &arguments, const QMap<QString, QString> &environment = {},
         const QByteArray &input = {})
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (auto it = environment.begin(); it != environment.end(); ++it)
        env.insert(it.key(), it.value());
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    // Long enough for cpack to compress the debug symbols on a busy machine;
    // a hang is still ended by the test function's own limit.
    if (!process.waitForFinished(900000))
        return {-1, QStringLiteral("%1 did not end within 15 minutes").arg(program)};
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
const QString kMimeType = QStringLiteral("application/x-pvbcs-settings");
const QString kDocs = QStringLiteral("/usr/share/doc/pvbcs/");

// The text of a file compressed as Debian wants it: gzip -9 without the
// file's name or time inside (so the same text always gives the same
// bytes). Empty when it is not.
QByteArray Gunzipped(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    const bool plain = bytes.size() > 10 && bytes.startsWith("\x1f\x8b\x08") && (bytes.at(3) & 0x08) == 0
        && bytes.mid(4, 4) == QByteArray(4, '\0') && bytes.at(8) == 2;
    if (!plain)
        return {};
    const TRun gunzip = Run(QStringLiteral("gzip"), {QStringLiteral("-dc")}, {}, bytes);
    return gunzip.code == 0 ? gunzip.out.toUtf8() : QByteArray();
}

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
    for (const QString &program : kPrograms)
        files << QStringLiteral("/usr/share/man/man1/%1.1.gz").arg(program);
    files << QStringLiteral("/usr/share/mime/packages/%1.xml").arg(id);
    files << kDocs + QStringLiteral("copyright") << kDocs + QStringLiteral("changelog.gz")
          << kDocs + QStringLiteral("NEWS.gz") << kDocs + QStringLiteral("examples/pvbcs-fleet-sweep.service")
          << kDocs + QStringLiteral("examples/pvbcs-fleet-sweep.timer");
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
    QTemporaryDir fPackages; // what cpack made, for lintian afterwards
    QStringList fPackageFiles;

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
        QVERIFY(lines.contains(QStringLiteral("Exec=pvbcs %f")));
        QVERIFY(lines.contains(QStringLiteral("MimeType=%1;").arg(kMimeType)));
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
        for (const QString &program : kPrograms) {
            const QByteArray page = Gunzipped(staged(QStringLiteral("/usr/share/man/man1/%1.1.gz").arg(program)));
            QVERIFY2(page.startsWith(".TH ") && page.contains("\n.SH NAME\n"), qPrintable(program));
            const TRun man = Run(groff, {QStringLiteral("-man"), QStringLiteral("-ww"), QStringLiteral("-z")}, {}, page);
            QVERIFY2(man.code == 0 && man.out.isEmpty(), qPrintable(man.out));
        }
    }

    // The nightly sweep's examples are units systemd takes without a word,
    // with the service's command pointed at the staged program.
    void theNightlySweepUnitsAreValid()
    {
        const QString analyze = QStandardPaths::findExecutable(QStringLiteral("systemd-analyze"));
        if (analyze.isEmpty())
            QSKIP("systemd-analyze is missing (scripts/deps.sh installs it); the units are not checked.");
        QTemporaryDir units;
        QVERIFY(units.isValid());
        QStringList files;
        for (const char *name : {"pvbcs-fleet-sweep.service", "pvbcs-fleet-sweep.timer"}) {
            QFile example(staged(kDocs + QStringLiteral("examples/") + QLatin1String(name)));
            QVERIFY(example.open(QIODevice::ReadOnly));
            QString text = QString::fromUtf8(example.readAll());
            QVERIFY(text.startsWith(QLatin1String("# An example, not enabled by the package")));
            text.replace(QStringLiteral("ExecStart=/usr/bin/pvbcs-cli"), QStringLiteral("ExecStart=") + staged(QStringLiteral("/usr/bin/pvbcs-cli")));
            QFile copy(units.filePath(QLatin1String(name)));
            QVERIFY(copy.open(QIODevice::WriteOnly) && copy.write(text.toUtf8()) > 0);
            files << copy.fileName();
        }
        const TRun verify = Run(analyze, QStringList{QStringLiteral("verify"), QStringLiteral("--man=no")} + files);
        QVERIFY2(verify.code == 0 && verify.out.isEmpty(), qPrintable(verify.out));
    }

    // The copyright file is Debian's machine-readable one; the changelog's
    // and NEWS's top entries are this version and its release day, so a new
    // version cannot go out without its entries.
    void theDocumentsAreThisVersions()
    {
        QFile copyright(staged(kDocs + QStringLiteral("copyright")));
        QVERIFY(copyright.open(QIODevice::ReadOnly));
        const QString dep5 = QString::fromUtf8(copyright.readAll());
        QVERIFY(dep5.startsWith(QLatin1String("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n")));
        for (const char *field : {"\nUpstream-Name: ", "\n\nFiles: *\nCopyright: ", "\nLicense: "})
            QVERIFY2(dep5.contains(QLatin1String(field)), field);

        const QDate released = QDate::fromString(QStringLiteral(PVBCS_RELEASE_DATE), Qt::ISODate);
        QVERIFY(released.isValid());
        const QString changelog = QString::fromUtf8(Gunzipped(staged(kDocs + QStringLiteral("changelog.gz"))));
        QVERIFY2(changelog.startsWith(QStringLiteral("pvbcs (%1) ").arg(GetExeVersion())), qPrintable(changelog.left(80)));
        const QRegularExpression trailer(QStringLiteral("\n -- [^\n]+>  (\\w{3}, \\d{2} \\w{3} \\d{4}) "));
        const QRegularExpressionMatch signedOff = trailer.match(changelog);
        QVERIFY(signedOff.hasMatch());
        QCOMPARE(signedOff.captured(1), QLocale::c().toString(released, QStringLiteral("ddd, dd MMM yyyy")));

        const QString news = QString::fromUtf8(Gunzipped(staged(kDocs + QStringLiteral("NEWS.gz"))));
        const QRegularExpressionMatch top = QRegularExpression(QStringLiteral("\nVersion ([^ ]+) \\(([^)]+)\\)\n")).match(news);
        QVERIFY(top.hasMatch());
        QCOMPARE(top.captured(1), GetExeVersion());
        QCOMPARE(top.captured(2), released.toString(Qt::ISODate));
    }

    // The file manager's "Open" on a settings file starts the program with
    // it: the file is of the program's own type, by its name or, without
    // one, by the start the program writes, and the menu entry handles it.
    void aSettingsFileOpensWithTheProgram()
    {
        const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
        const QString mimeDatabase = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
        const QString desktopDatabase = QStandardPaths::findExecutable(QStringLiteral("update-desktop-database"));
        if (gio.isEmpty() || mimeDatabase.isEmpty() || desktopDatabase.isEmpty())
            QSKIP("gio, update-mime-database or update-desktop-database is missing (scripts/deps.sh installs them); "
                  "file types not checked.");
        // A desktop of the installed files alone, as the package's triggers
        // (shared-mime-info's and desktop-file-utils') leave it.
        QTemporaryDir desktop;
        const QString share = desktop.filePath(QStringLiteral("share"));
        QVERIFY(QDir().mkpath(share + QStringLiteral("/mime/packages")));
        QVERIFY(QDir().mkpath(share + QStringLiteral("/applications")));
        const QString id = ApplicationId();
        QVERIFY(QFile::copy(staged(QStringLiteral("/usr/share/mime/packages/%1.xml").arg(id)),
                            share + QStringLiteral("/mime/packages/%1.xml").arg(id)));
        QVERIFY(QFile::copy(staged(QStringLiteral("/usr/share/applications/%1.desktop").arg(id)),
                            share + QStringLiteral("/applications/%1.desktop").arg(id)));
        const TRun update = Run(mimeDatabase, {share + QStringLiteral("/mime")});
        QVERIFY2(update.code == 0, qPrintable(update.out));
        const TRun handlers = Run(desktopDatabase, {share + QStringLiteral("/applications")});
        QVERIFY2(handlers.code == 0, qPrintable(handlers.out));
        const QMap<QString, QString> environment{
            {QStringLiteral("XDG_DATA_DIRS"), share + QStringLiteral(":/usr/share")},
            {QStringLiteral("XDG_DATA_HOME"), desktop.filePath(QStringLiteral("home"))},
            {QStringLiteral("XDG_CONFIG_HOME"), desktop.filePath(QStringLiteral("config"))},
            {QStringLiteral("XDG_CONFIG_DIRS"), desktop.filePath(QStringLiteral("config"))},
            // A menu entry whose program is not on the path counts for nothing.
            {QStringLiteral("PATH"), staged(QStringLiteral("/usr/bin:")) + qEnvironmentVariable("PATH")}};

        const struct {
            const char *name;
            QByteArray content;
            QString type;
        } files[] = {
            {"school-12.bcfg", "[General]\r\nBrightnessMin=1\r\n", kMimeType},
            {"written-by-hand.bcfg", "[Schedule0]\nid=1\n", kMimeType},
            {"saved-schedule", "[General]\r\nScheduleCount=1\r\n", kMimeType},
            {"saved-holidays", "[General]\r\nCalendarCount=0\r\n", kMimeType},
            {"other-settings", "[General]\r\nGeometry=1\r\n", QStringLiteral("text/plain")},
        };
        for (const auto &file : files) {
            QFile written(desktop.filePath(QLatin1String(file.name)));
            QVERIFY(written.open(QIODevice::WriteOnly));
            written.write(file.content);
            written.close();
            const TRun info = Run(gio, {QStringLiteral("info"), QStringLiteral("-a"), QStringLiteral("standard::content-type"),
                                        written.fileName()},
                                  environment);
            QVERIFY2(info.out.contains(QStringLiteral("standard::content-type: %1\n").arg(file.type)),
                     qPrintable(QLatin1String(file.name) + u' ' + info.out));
        }
        const TRun handler = Run(gio, {QStringLiteral("mime"), kMimeType}, environment);
        QVERIFY2(handler.code == 0 && handler.out.contains(id + QStringLiteral(".desktop")), qPrintable(handler.out));
    }

    void theDebianPackageHoldsTheSameFilesAndRuns()
    {
        const QString cpack = QStringLiteral(CPACK_COMMAND);
        const QString dpkgDeb = QStandardPaths::findExecutable(QStringLiteral("dpkg-deb"));
        if (!QFileInfo(cpack).isExecutable() || dpkgDeb.isEmpty()
            || QStandardPaths::findExecutable(QStringLiteral("dpkg-shlibdeps")).isEmpty())
            QSKIP("cpack, dpkg-deb or dpkg-shlibdeps is missing (scripts/deps.sh installs them); no package is built.");
        const QTemporaryDir &out = fPackages;
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
        // Like Debian's serial tools; with the fonts the reports ask for.
        QCOMPARE(Run(dpkgDeb, {QStringLiteral("--field"), deb, QStringLiteral("Section")}).out.trimmed(),
                 QStringLiteral("comm"));
        const QString recommends = Run(dpkgDeb, {QStringLiteral("--field"), deb, QStringLiteral("Recommends")}).out;
        for (const char *package : {"xdg-utils", "fonts-liberation", "fonts-dejavu-core"})
            QVERIFY2(recommends.contains(QLatin1String(package)), qPrintable(recommends));

        const QString unpacked = out.filePath(QStringLiteral("root"));
        QCOMPARE(Run(dpkgDeb, {QStringLiteral("--extract"), deb, unpacked}).code, 0);
        QCOMPARE(FilesUnder(unpacked), ExpectedFiles());
        VerifyProgramsRun(unpacked);
        // Stripped: a package a tenth of the debug build's size.
        QVERIFY(QFileInfo(unpacked + QStringLiteral("/usr/bin/pvbcs")).size()
                < QFileInfo(staged(QStringLiteral("/usr/bin/pvbcs"))).size());

        // The debug symbols are kept in pvbcs-dbgsym, one file for each
        // program, found by the program's build id as gdb looks for it.
        const QStringList ddebs = QDir(out.path()).entryList({QStringLiteral("pvbcs-dbgsym_%1_*.ddeb").arg(GetExeVersion())});
        QCOMPARE(ddebs.size(), 1);
        const QString symbols = out.filePath(QStringLiteral("dbgsym"));
        QCOMPARE(Run(dpkgDeb, {QStringLiteral("--extract"), out.filePath(ddebs.constFirst()), symbols}).code, 0);
        QCOMPARE(Run(dpkgDeb, {QStringLiteral("--field"), out.filePath(ddebs.constFirst()), QStringLiteral("Depends")})
                     .out.trimmed(),
                 QStringLiteral("pvbcs (= %1)").arg(GetExeVersion()));
        QStringList debugFiles;
        for (const QString &program : kPrograms) {
            const TRun notes = Run(QStringLiteral("readelf"), {QStringLiteral("-n"), unpacked + QStringLiteral("/usr/bin/") + program});
            const QRegularExpressionMatch id = QRegularExpression(QStringLiteral("Build ID: ([0-9a-f]{2})([0-9a-f]+)")).match(notes.out);
            QVERIFY2(id.hasMatch(), qPrintable(notes.out));
            debugFiles << QStringLiteral("/usr/lib/debug/.build-id/%1/%2.debug").arg(id.captured(1), id.captured(2));
        }
        debugFiles.sort();
        QStringList symbolFiles = FilesUnder(symbols);
        symbolFiles.removeIf([](const QString &file) { return !file.endsWith(QLatin1String(".debug")); });
        QCOMPARE(symbolFiles, debugFiles);
        fPackageFiles = {deb, out.filePath(ddebs.constFirst())};
    }

    // Both packages; errors and warnings only: the hardening tags are for the
    // package build (scripts/package.sh), not this developer build.
    void lintianFindsNothingWrong()
    {
#ifdef PVBCS_SANITIZED
        QSKIP("A package of sanitizer-instrumented programs is not what is shipped; lintian judges the normal build.");
#endif
        const QString lintian = QStandardPaths::findExecutable(QStringLiteral("lintian"));
        if (lintian.isEmpty() || fPackageFiles.isEmpty())
            QSKIP("lintian is missing (scripts/deps.sh installs it), or no package was built; not checked.");
        const TRun lint = Run(lintian, QStringList{QStringLiteral("--fail-on"), QStringLiteral("error,warning")} + fPackageFiles);
        QVERIFY2(lint.code == 0, qPrintable(lint.out));
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
