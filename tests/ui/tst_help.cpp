// The operator's manual: F1 and the Help button open the chapter of the page
// shown, and its troubleshooting chapter explains the program's messages in
// their own words.
#include "app/application.h"
#include "app/frmmain.h"
#include "config/appconfig.h"
#include "config/messages.h"
#include "store/datamodule.h"
#include "testenv.h"
#include "testmessageservice.h"
#include "widgets/navbutton.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

namespace {
QString ReadHelp()
{
    QFile file(QStringLiteral(PVBCS_HELP_SOURCE));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// What the operator reads of a piece of the page: tags out, entities decoded,
// blanks collapsed.
QString ReadableText(QString html)
{
    html.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    html.replace(QLatin1String("&lt;"), QLatin1String("<")).replace(QLatin1String("&gt;"), QLatin1String(">"));
    html.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return html.simplified();
}

// A message as the manual quotes it: "…" where the program fills something in.
QString Quoted(const char *message)
{
    return QString::fromUtf8(message).replace(QLatin1String("%s"), QStringLiteral("…")).replace(QLatin1String("%d"), QStringLiteral("…")).simplified();
}

// The troubleshooting entries by the name of their message.
QMap<QString, QString> TroubleshootingEntries(const QString &help)
{
    QMap<QString, QString> entries;
    static const QRegularExpression entry(QStringLiteral("<dt id=\"msg-(\\w+)\">(.*?)</dt>"),
                                          QRegularExpression::DotMatchesEverythingOption);
    for (const QRegularExpressionMatch &match : entry.globalMatch(help))
        entries.insert(match.captured(1), ReadableText(match.captured(2)));
    return entries;
}
}

#define MESSAGE(name) {QStringLiteral(#name), Msg::name}

class TestHelp : public QObject {
    Q_OBJECT

    QList<QUrl> fOpened;

public Q_SLOTS:
    void openUrl(const QUrl &url) { fOpened << url; }

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
    }

    // Every message an operator can meet has its entry, quoting it exactly;
    // an entry whose message changed or went away is found too.
    void troubleshootingQuotesEveryMessage()
    {
        const QList<QPair<QString, const char *>> messages = {
            MESSAGE(PortNotFound), MESSAGE(CriticalCommError), MESSAGE(PortAccessDenied), MESSAGE(PortAccessAdvice),
            MESSAGE(PortAccessDeniedToAll), MESSAGE(PortInUse), MESSAGE(PortInUseAdvice), MESSAGE(PortError),
            MESSAGE(ConnectionLost), MESSAGE(LinkPortNotOpen), MESSAGE(LinkPayloadUnframeable),
            MESSAGE(ExceptionWhileProcessing), MESSAGE(ValueDoesNotFit), MESSAGE(NameDoesNotFit),
            MESSAGE(TooManyRecords), MESSAGE(SlaveModeWarning), MESSAGE(OverrideNotSet),
            MESSAGE(EventSlotsUnreadable), MESSAGE(EventDownloadStopped), MESSAGE(EventLogLineInvalid),
            MESSAGE(DbFunctionsDisabled), MESSAGE(DbDefaultLibraryAdvice), MESSAGE(DbOpenFailed),
            MESSAGE(DbReadOnlyOrMissing), MESSAGE(DbCompileError), MESSAGE(DbUnknownError), MESSAGE(UnableToWrite),
            MESSAGE(UnableToRead), MESSAGE(SelectRecord), MESSAGE(NoLibrarySchedules), MESSAGE(NoLibraryCalendars),
            MESSAGE(LibrarySchedule), MESSAGE(LibraryCalendar), MESSAGE(CheckTimeRange), MESSAGE(SelectOneDay),
            MESSAGE(CheckDateRange), MESSAGE(CalendarRangeTooLong), MESSAGE(CalendarEndTooLate),
            MESSAGE(NameCharactersRefused), MESSAGE(DbLocked), MESSAGE(DbNotLibrary), MESSAGE(DbTableMissing),
            MESSAGE(SettingsFileTooLarge), MESSAGE(SettingsKeyMissing), MESSAGE(SettingsNotANumber),
            MESSAGE(SettingsValueOutOfRange), MESSAGE(SettingsDateUnreadable), MESSAGE(SettingsTimeUnreadable),
            MESSAGE(SettingsAmbiguous), MESSAGE(SettingsCompanionDisagrees), MESSAGE(SettingsTooManyRecords),
            MESSAGE(SettingsSectionMissing), MESSAGE(SettingsControlCharacter), MESSAGE(SettingsDstDateOutOfRange),
            MESSAGE(SettingsDstHalfOff),
            MESSAGE(ReportPrintFailed), MESSAGE(UpdateNotRetrieved), MESSAGE(CliNoAnswer),
            MESSAGE(CliNoController), MESSAGE(CliManyControllers), MESSAGE(CliFileMissing), MESSAGE(CliTryHelp),
            MESSAGE(CliNoCommand), MESSAGE(CliUnknownCommand), MESSAGE(CliExtraArgument), MESSAGE(CliOptionNeeded),
            MESSAGE(CliOptionNotUsed), MESSAGE(CliUnknownPart), MESSAGE(CliOverrideMode), MESSAGE(CliUntilTime),
            MESSAGE(CliReportKind), MESSAGE(RegisterNotWritten), MESSAGE(RegisterNoLibrary), MESSAGE(ArchiveNoSerial),
            MESSAGE(VerifyFailed), MESSAGE(CliNoConfig), MESSAGE(CliArchiveEmpty), MESSAGE(CliSinceDate),
            MESSAGE(CliConfigNeeds), MESSAGE(CliConfigNumber),
        };
        const QMap<QString, QString> entries = TroubleshootingEntries(ReadHelp());
        for (const auto &[name, text] : messages) {
            QVERIFY2(entries.contains(name), qPrintable(name + QStringLiteral(" has no entry")));
            QCOMPARE(entries.value(name), Quoted(text));
        }
        QStringList named;
        for (const auto &message : messages)
            named << message.first;
        for (const QString &name : entries.keys())
            QVERIFY2(named.contains(name), qPrintable(name + QStringLiteral(" is no message of the table")));
    }

    void everyPictureAndLinkOfTheHelpIsThere()
    {
        const QString help = ReadHelp();
        QVERIFY(help.size() > 20000);
        static const QRegularExpression picture(QStringLiteral("<img src=\"([^\"]+)\""));
        int pictures = 0;
        for (const QRegularExpressionMatch &match : picture.globalMatch(help)) {
            ++pictures;
            const QString file = QFileInfo(QStringLiteral(PVBCS_HELP_SOURCE)).dir().filePath(match.captured(1));
            QVERIFY2(QFile::exists(file), qPrintable(file));
        }
        QVERIFY(pictures >= 15);
        static const QRegularExpression link(QStringLiteral("href=\"#([^\"]+)\""));
        for (const QRegularExpressionMatch &match : link.globalMatch(help))
            QVERIFY2(help.contains(QStringLiteral("id=\"%1\"").arg(match.captured(1))), qPrintable(match.captured(1)));
    }

    void f1AndHelpOpenTheChapterOfThePageShown()
    {
        // The manual where the desktop keeps data, as an installation under
        // another prefix would have it.
        const QString installed =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/pvbcs/help");
        QVERIFY(QDir().mkpath(installed));
        QVERIFY(QFile::copy(QStringLiteral(PVBCS_HELP_SOURCE), installed + QStringLiteral("/pvbcs.html")));
        const QString help = ReadHelp();

        TTestMessageService messages;
        TAppConfig config;
        TfrmMain window;
        TDM dm;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.DatabaseFunctions());

        window.btnHelp->click();
        const QList<QPair<TNavButton *, QString>> pages = {
            {window.btnHome, QStringLiteral("Overview")},
            {window.btnConnectedSystem, QStringLiteral("ManageBeacons")},
            {window.btnSchedules, QStringLiteral("Libraries")},
            {window.btnCalendars, QStringLiteral("Holidays")},
            {window.btnSettings, QStringLiteral("SoftwareSettings")},
            {window.btnLog, QStringLiteral("EventLog")},
        };
        QStringList expected{QStringLiteral("Overview")};
        for (const auto &[button, chapter] : pages) {
            QTest::mouseClick(button, Qt::LeftButton);
            QTest::keyClick(&window, Qt::Key_F1);
            expected << chapter;
            QVERIFY2(help.contains(QStringLiteral("id=\"%1\"").arg(chapter)), qPrintable(chapter));
        }
        QStringList opened;
        for (const QUrl &url : std::as_const(fOpened)) {
            QCOMPARE(url.toLocalFile(), QFileInfo(installed + QStringLiteral("/pvbcs.html")).canonicalFilePath());
            opened << url.fragment();
        }
        QCOMPARE(opened, expected);
        QCOMPARE(messages.entries.size(), 0);

        // A help that is nowhere opens nothing.
        QVERIFY(QDir(installed).removeRecursively());
        fOpened.clear();
        window.btnHelp->click();
        QVERIFY(fOpened.isEmpty());
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    TestHelp test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_help.moc"
