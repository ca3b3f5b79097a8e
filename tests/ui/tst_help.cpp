// The operator's manual: F1 and the Help button show the chapter of the page
// shown in the program's own window, and its troubleshooting chapter explains
// the program's messages in their own words.
#include "app/application.h"
#include "app/frmhelp.h"
#include "app/frmmain.h"
#include "config/appconfig.h"
#include "config/manual.h"
#include "config/messages.h"
#include "config/netsettings.h"
#include "link/netaddress.h"
#include "store/datamodule.h"
#include "testenv.h"
#include "testmessageservice.h"
#include "widgets/navbutton.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextBrowser>
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

// The names of the message table's texts, as its source declares them.
QStringList MessageTableNames()
{
    QFile file(QStringLiteral(PVBCS_MESSAGES_SOURCE));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    static const QRegularExpression declaration(QStringLiteral("inline constexpr const char \\*(\\w+)"));
    QStringList names;
    for (const QRegularExpressionMatch &match : declaration.globalMatch(QString::fromUtf8(file.readAll())))
        names << match.captured(1);
    return names;
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

// The pieces of the manual shown, in order, and where one of them shows.
QList<QTextFragment> Pieces(const QTextBrowser &browser)
{
    QList<QTextFragment> pieces;
    for (QTextBlock block = browser.document()->begin(); block.isValid(); block = block.next())
        for (auto piece = block.begin(); !piece.atEnd(); ++piece)
            pieces << piece.fragment();
    return pieces;
}

QRect Shown(const QTextBrowser &browser, int position)
{
    QTextCursor cursor(browser.document());
    cursor.setPosition(position);
    return browser.cursorRect(cursor);
}

// Whether the chapter's heading is at the top of the page shown, or the page
// is scrolled as far as it goes.
bool ChapterAtTop(const QTextBrowser &browser, const QString &chapter)
{
    for (const QTextFragment &piece : Pieces(browser))
        if (piece.charFormat().anchorNames().contains(chapter)) {
            const int top = Shown(browser, piece.position()).top();
            const QScrollBar *bar = browser.verticalScrollBar();
            return (top >= -2 && top < 30) || (bar->value() == bar->maximum() && top >= 0);
        }
    return false;
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
        for (const char *scheme : {"file", "http", "https"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "openUrl");
    }

    void cleanupTestCase()
    {
        for (const char *scheme : {"file", "http", "https"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }

    // Every message an operator can meet has its entry, quoting it exactly;
    // an entry whose message changed or went away is found too. Every text of
    // the table is either such a message or named below as a part of one, a
    // label or an ordinary result, so a new message cannot go unexplained.
    void troubleshootingQuotesEveryMessage()
    {
        const QList<QPair<QString, const char *>> messages = {
            MESSAGE(PortNotFound), MESSAGE(CriticalCommError), MESSAGE(PortAccessDenied), MESSAGE(PortAccessAdvice),
            MESSAGE(PortAccessDeniedToAll), MESSAGE(PortInUse), MESSAGE(PortInUseAdvice), MESSAGE(PortError),
            MESSAGE(ConnectionLost), MESSAGE(LinkPortNotOpen), MESSAGE(LinkPayloadUnframeable),
            MESSAGE(LinkLost), MESSAGE(LinkLostWhile), MESSAGE(LinkAborted), MESSAGE(ConnectedOfferDownload),
            MESSAGE(StatusRetries), MESSAGE(StatusConnectedSlow),
            MESSAGE(ExceptionWhileProcessing), MESSAGE(ValueDoesNotFit), MESSAGE(NameDoesNotFit),
            MESSAGE(TooManyRecords), MESSAGE(SlaveModeWarning), MESSAGE(OverrideSet), MESSAGE(OverrideNotSet),
            MESSAGE(ReadingsStale), MESSAGE(ReadingsNeverRead),
            MESSAGE(VerifyFailed), MESSAGE(DifferenceUploaded), MESSAGE(CompareSame), MESSAGE(CompareDiffers),
            MESSAGE(DifferenceInFile),
            MESSAGE(EventSlotsUnreadable), MESSAGE(EventBeaconStoppedAnswering), MESSAGE(EventDownloadStopped),
            MESSAGE(EventLogLineInvalid), MESSAGE(ArchiveNoSerial), MESSAGE(ArchiveEmpty),
            MESSAGE(DbFunctionsDisabled), MESSAGE(DbDefaultLibraryAdvice), MESSAGE(DbOpenFailed),
            MESSAGE(DbReadOnlyOrMissing), MESSAGE(DbCompileError), MESSAGE(DbUnknownError), MESSAGE(DbFileChanged),
            MESSAGE(UnableToWrite), MESSAGE(LoadMissingFileAsEmpty),
            MESSAGE(UnableToRead), MESSAGE(SelectRecord), MESSAGE(NoLibrarySchedules), MESSAGE(NoLibraryCalendars),
            MESSAGE(DeleteRecordConfirm), MESSAGE(LibraryDeleteConfirm),
            MESSAGE(LibrarySchedule), MESSAGE(LibraryCalendar), MESSAGE(CheckTimeRange), MESSAGE(SelectOneDay),
            MESSAGE(CheckDateRange), MESSAGE(CalendarRangeTooLong), MESSAGE(CalendarEndTooLate),
            MESSAGE(NameCharactersRefused), MESSAGE(DbLocked), MESSAGE(DbNotLibrary), MESSAGE(DbTableMissing),
            MESSAGE(RegisterNotWritten), MESSAGE(RegisterNoLibrary), MESSAGE(RegisterAborted),
            MESSAGE(SettingsFileTooLarge), MESSAGE(SettingsKeyMissing), MESSAGE(SettingsNotANumber),
            MESSAGE(SettingsValueOutOfRange), MESSAGE(SettingsDateUnreadable), MESSAGE(SettingsTimeUnreadable),
            MESSAGE(SettingsAmbiguous), MESSAGE(SettingsCompanionDisagrees), MESSAGE(SettingsTooManyRecords),
            MESSAGE(SettingsSectionMissing), MESSAGE(SettingsControlCharacter), MESSAGE(SettingsDstDateOutOfRange),
            MESSAGE(SettingsDstHalfOff),
            MESSAGE(ReportPrintFailed), MESSAGE(UpdateChecking), MESSAGE(UpdateAvailable), MESSAGE(UpdateUpToDate),
            MESSAGE(UpdateNotRetrieved), MESSAGE(HelpNotFound), MESSAGE(CliNoAnswer),
            MESSAGE(CliNoController), MESSAGE(CliManyControllers), MESSAGE(CliFileMissing), MESSAGE(CliTryHelp),
            MESSAGE(CliNoCommand), MESSAGE(CliUnknownCommand), MESSAGE(CliExtraArgument), MESSAGE(CliOptionNeeded),
            MESSAGE(CliOptionNotUsed), MESSAGE(CliUnknownPart), MESSAGE(CliOverrideMode), MESSAGE(CliUntilTime),
            MESSAGE(CliReportKind), MESSAGE(CliEventsSavedElsewhere), MESSAGE(CliEventsAborted),
            MESSAGE(CliNoConfig), MESSAGE(CliArchiveEmpty), MESSAGE(CliPlanDate), MESSAGE(CliPlanRange),
            MESSAGE(CliPlanStdoutOnce), MESSAGE(CliSinceDate),
            MESSAGE(CliConfigNeeds), MESSAGE(CliConfigNumber), MESSAGE(CliStdinOnce),
            MESSAGE(DbOpenInAnotherWindow), MESSAGE(DbStepFailed), MESSAGE(DbFolderNotMade),
            MESSAGE(DbBrokenDefaultAdvice), MESSAGE(ScheduleGone), MESSAGE(CalendarGone), MESSAGE(BeaconRecordLimit),
            MESSAGE(LibraryItemTooLarge), MESSAGE(ArchiveNotWritten), MESSAGE(CliNoLibrary), MESSAGE(HistoryNoConfig),
            MESSAGE(HistoryOpenConfirm), MESSAGE(HistoryCompareTwo), MESSAGE(HistoryCompareSame),
            MESSAGE(HistoryCompareDiffers), MESSAGE(VirtualPortNameRefused), MESSAGE(VirtualPortTaken),
            MESSAGE(NetAddressMalformed), MESSAGE(NetOpenFailed),
            MESSAGE(ImportNotCalendar), MESSAGE(ImportCannotRead), MESSAGE(ImportRangeReversed),
            MESSAGE(ImportNothing), MESSAGE(ImportNothingInRange), MESSAGE(ImportOverLimit), MESSAGE(ImportDayMode),
            MESSAGE(ImportDate), MESSAGE(ImportAction), MESSAGE(ImportNameRefused),
        };
        // Parts of the messages above (what the link was doing, the items a
        // value belongs to, the words of a comparison), the names and labels
        // the window shows, progress texts and the command-line tool's
        // ordinary results.
        const QStringList notMessages = {
            // The school calendar import: titles, labels, the notes of its lists and its result.
            QStringLiteral("ImportTitle"), QStringLiteral("ImportFilter"), QStringLiteral("ImportNoCalendarData"),
            QStringLiteral("ImportUntitled"), QStringLiteral("ImportSkipCancelled"), QStringLiteral("ImportSkipNotOnly"),
            QStringLiteral("ImportSkipNoStart"), QStringLiteral("ImportSkipTimed"),
            QStringLiteral("ImportSkipTimedRepeating"), QStringLiteral("ImportSkipOutside"),
            QStringLiteral("ImportMerged"), QStringLiteral("ImportNameCut"), QStringLiteral("ImportNameCharacters"),
            QStringLiteral("ImportDatesCut"), QStringLiteral("ImportSplit"), QStringLiteral("ImportCreated"),
            QStringLiteral("ImportSkipped"), QStringLiteral("ImportMergedKind"), QStringLiteral("ImportShortened"),
            QStringLiteral("ImportHeading"), QStringLiteral("ImportRecordCount"),
            QStringLiteral("RegisterOutputFailed"), QStringLiteral("RegisterNotArchived"),
            QStringLiteral("DifferenceRecorded"), QStringLiteral("HistoryAllBeacons"),
            QStringLiteral("RecordCount"), QStringLiteral("DurationHoursMinutes"), QStringLiteral("DurationDays"),
            QStringLiteral("DayAbbreviations"), QStringLiteral("DayModeNames"), QStringLiteral("ActivityWriting"),
            QStringLiteral("ActivityReading"), QStringLiteral("ActivityEventLog"), QStringLiteral("ActivityOverride"),
            QStringLiteral("ActivityIdentity"), QStringLiteral("LinkDeviceGone"), QStringLiteral("PortVirtual"), QStringLiteral("ItemClockYear"),
            QStringLiteral("ItemDstStartDay"), QStringLiteral("ItemDstEndDay"), QStringLiteral("ItemDstShiftTime"),
            QStringLiteral("ItemDstOffset"), QStringLiteral("ItemSchedule"), QStringLiteral("ItemScheduleOnTime"),
            QStringLiteral("ItemScheduleOffTime"), QStringLiteral("ItemCalendar"), QStringLiteral("ItemCalendarDate"),
            QStringLiteral("ItemCalendarDays"), QStringLiteral("ItemCalendarName"),
            QStringLiteral("ScanCreatingThreads"), QStringLiteral("ScanSearching"),
            QStringLiteral("ScanStoppingThreads"), QStringLiteral("ScanDone"), QStringLiteral("StatusConnectedToPort"),
            QStringLiteral("StatusPortDisconnected"), QStringLiteral("StatusSerialNumber"),
            QStringLiteral("StatusFirmware"), QStringLiteral("StatusBoard"), QStringLiteral("LibraryNamePrompt"),
            QStringLiteral("WritingItem"), QStringLiteral("ReadingItem"), QStringLiteral("ItemCommMode"),
            QStringLiteral("ItemClock"), QStringLiteral("ItemAdvanced"), QStringLiteral("ItemDst"),
            QStringLiteral("ItemBeaconSchedule"), QStringLiteral("ItemCalendarOfExceptions"),
            QStringLiteral("ItemNameForCalendarRecord"), QStringLiteral("ItemLiveValues"),
            QStringLiteral("ItemOverrideStatus"), QStringLiteral("FlashPatternNames"),
            QStringLiteral("FlashSpeedNames"), QStringLiteral("BeaconRoleNames"), QStringLiteral("LinkChannelOff"),
            QStringLiteral("LinkChannelNumber"), QStringLiteral("DstOffsetNames"), QStringLiteral("FieldNotFilled"),
            QStringLiteral("StatusTime"), QStringLiteral("StatusDate"), QStringLiteral("StatusVoltage"),
            QStringLiteral("BeaconIsOn"), QStringLiteral("BeaconIsOff"), QStringLiteral("SwitchPositionNames"),
            QStringLiteral("OverrideStateNames"), QStringLiteral("EventNames"), QStringLiteral("RegisterDone"),
            QStringLiteral("CompareNone"), QStringLiteral("CompareCommMode"), QStringLiteral("CompareAdvancedItem"),
            QStringLiteral("CompareBrightnessMin"), QStringLiteral("CompareBrightnessMax"),
            QStringLiteral("CompareFlashPattern"), QStringLiteral("CompareFlashSpeed"),
            QStringLiteral("CompareRadioMode"), QStringLiteral("CompareRadioLink"), QStringLiteral("CompareDstStart"),
            QStringLiteral("CompareDstEnd"), QStringLiteral("CompareDstTime"), QStringLiteral("CompareDstOffset"),
            QStringLiteral("ComparePercent"), QStringLiteral("CompareMinutes"), QStringLiteral("CompareScheduleRecord"),
            QStringLiteral("CompareScheduleRecordText"), QStringLiteral("CompareDays"), QStringLiteral("CompareOnTime"),
            QStringLiteral("CompareOffTime"), QStringLiteral("CompareCalendarRecord"),
            QStringLiteral("CompareCalendarRecordText"), QStringLiteral("CompareName"), QStringLiteral("CompareDate"),
            QStringLiteral("CompareDuration"), QStringLiteral("CompareSubstitute"), QStringLiteral("ArchiveShown"),
            QStringLiteral("ArchiveEntry"), QStringLiteral("CliSerialNumber"), QStringLiteral("CliFirmware"),
            QStringLiteral("CliBoard"), QStringLiteral("CliControllerFound"), QStringLiteral("CliEventsSaved"),
            QStringLiteral("CliConfigSaved"), QStringLiteral("ReportExportTitle"), QStringLiteral("ReportExporting"),
            QStringLiteral("CliReportSaved"), QStringLiteral("ScanWaitingNetwork"), QStringLiteral("NetBeaconItem"),
            QStringLiteral("NetAddressEmpty"), QStringLiteral("NetAddressForms"),
            QStringLiteral("CliReportSaved"), QStringLiteral("NetAddressExpected"), QStringLiteral("NetAddressNoHost"),
            QStringLiteral("NetAddressBadPort"), QStringLiteral("NetAddressBadHost"), QStringLiteral("NetStepLookup"),
            QStringLiteral("NetStepConnect"), QStringLiteral("NetStepTls"), QStringLiteral("NetStepCertificate"),
            QStringLiteral("NetStepLineSettings"), QStringLiteral("NetStepCredentials"), QStringLiteral("NetNoAnswer"),
            QStringLiteral("NetServerClosed"), QStringLiteral("NetFileUnreadable"), QStringLiteral("NetNoTls"),
            QStringLiteral("NetRemembered"), QStringLiteral("NetServerSaid"),
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

        const QStringList table = MessageTableNames();
        QVERIFY(table.size() > 150);
        for (const QString &name : table) {
            QVERIFY2(named.contains(name) != notMessages.contains(name),
                     qPrintable(name + QStringLiteral(" must be either a message with an entry or a part of one")));
        }
        for (const QString &name : notMessages)
            QVERIFY2(table.contains(name), qPrintable(name + QStringLiteral(" is no text of the table")));
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

    // The network chapter and its message entry say what the program does:
    // each step and reason of a failed open quoted as the program words it,
    // every address shown one the program reads, and the settings example
    // read back as written.
    void theNetworkChapterSaysWhatTheProgramDoes()
    {
        const QString help = ReadHelp();
        const QString entry = ReadableText(help.section(QStringLiteral("<dt id=\"msg-NetOpenFailed\">"), 1)
                                               .section(QStringLiteral("<dt "), 0, 0));
        for (const char *part : {Msg::NetStepLookup, Msg::NetStepConnect, Msg::NetStepTls, Msg::NetStepCertificate,
                                 Msg::NetStepLineSettings, Msg::NetStepCredentials, Msg::NetNoAnswer,
                                 Msg::NetServerClosed, Msg::NetServerSaid})
            QVERIFY2(entry.contains(u'"' + Quoted(part) + u'"'), part);

        const QString chapter = help.section(QStringLiteral("<h2 id=\"NetworkBeacons\">"), 1)
                                    .section(QStringLiteral("<h2 "), 0, 0);
        static const QRegularExpression address(QStringLiteral("(?:tcp|rfc2217|tls)://(?:\\[[^\\]\\s]*\\]|[\\w.-]+):\\d+"));
        int addresses = 0;
        for (const QRegularExpressionMatch &match : address.globalMatch(ReadableText(chapter))) {
            TNetAddress parsed;
            QString why;
            QVERIFY2(ParseNetAddress(match.captured(), parsed, why), qPrintable(why));
            ++addresses;
        }
        QVERIFY(addresses >= 10);

        const QString example = chapter.section(QStringLiteral("<pre>[Network]\n"), 1).section(QStringLiteral("</pre>"), 0, 0);
        QFile store(TAppConfig::StorePath());
        QVERIFY(QDir().mkpath(QFileInfo(store).absolutePath()));
        QVERIFY(store.open(QIODevice::WriteOnly | QIODevice::Truncate));
        store.write("[Network]\n" + example.toUtf8());
        store.close();
        const TNetworkSettings settings = TNetworkSettings::Load();
        const QMap<QString, QString> read = {{QStringLiteral("CAFile"), settings.CaFile},
                                             {QStringLiteral("ClientCertificate"), settings.ClientCertificate},
                                             {QStringLiteral("ClientKey"), settings.ClientKey},
                                             {QStringLiteral("ConnectSeconds"),
                                              QString::number(settings.ConnectTimeoutMs / 1000)}};
        QStringList keys;
        for (const QString &line : example.split(u'\n', Qt::SkipEmptyParts)) {
            keys << line.section(u'=', 0, 0);
            QCOMPARE(read.value(keys.last(), QStringLiteral("(not a setting)")), line.section(u'=', 1));
        }
        QCOMPARE(keys, read.keys());
        // The remembered beacons are where the chapter says.
        RememberNetworkBeacon(QStringLiteral("tcp://192.168.40.12:4001"), QStringLiteral("20240001"));
        const QStringList groups = QSettings(TAppConfig::StorePath(), QSettings::IniFormat).childGroups();
        for (const QString &group : groups)
            QVERIFY2(chapter.contains(QStringLiteral("<code>[%1]</code>").arg(group)), qPrintable(group));
        QCOMPARE(groups.size(), 2);
    }

    // The program's own copy comes before whatever a package put under
    // /usr/share, so a build tree or a copy under another prefix shows its
    // own manual.
    void theManualBesideTheProgramComesFirst()
    {
        SetHelpFolders({});
        const QStringList folders = HelpFolders();
        const QString program = QCoreApplication::applicationDirPath();
        QCOMPARE(folders.mid(0, 2), (QStringList{program + QStringLiteral("/help"),
                                                  QDir::cleanPath(program + QStringLiteral("/../share/pvbcs/help"))}));
        QVERIFY(folders.indexOf(QStringLiteral("/usr/share/pvbcs/help")) >= 2);
    }

    void theFirstFolderHoldingTheManualIsTaken_data()
    {
        QTest::addColumn<QStringList>("folders"); // each "with", "empty" or "missing"
        QTest::addColumn<int>("found");           // its index; -1 none
        QTest::newRow("after a missing folder") << QStringList{"missing", "with", "with"} << 1;
        QTest::newRow("after an empty folder") << QStringList{"empty", "with", "missing"} << 1;
        QTest::newRow("the first of two") << QStringList{"with", "with"} << 0;
        QTest::newRow("in none") << QStringList{"missing", "empty", "missing"} << -1;
    }

    void theFirstFolderHoldingTheManualIsTaken()
    {
        QFETCH(QStringList, folders);
        QFETCH(int, found);
        QTemporaryDir root;
        QStringList paths;
        for (int i = 0; i < folders.size(); ++i) {
            const QString path = root.filePath(QStringLiteral("folder %1").arg(i));
            paths << path;
            if (folders.at(i) != QLatin1String("missing"))
                QVERIFY(QDir().mkpath(path));
            if (folders.at(i) == QLatin1String("with"))
                QVERIFY(QFile::copy(QStringLiteral(PVBCS_HELP_SOURCE), path + QStringLiteral("/pvbcs.html")));
        }
        SetHelpFolders(paths);
        QCOMPARE(HelpFileName(), found < 0 ? QString() : paths.at(found) + QStringLiteral("/pvbcs.html"));
        QCOMPARE(HelpNotFoundText(),
                 QStringLiteral("The operator's manual was not found. It was looked for in:\n") + paths.join(u'\n'));
    }

    void f1AndHelpShowTheChapterOfThePageShown()
    {
        // The build tree's manual, whatever is installed.
        const QString manual = QFileInfo(QStringLiteral(PVBCS_HELP_BUILD "/pvbcs.html")).canonicalFilePath();
        SetHelpFolders({QStringLiteral(PVBCS_HELP_BUILD)});
        TTestMessageService messages;
        TAppConfig config;
        TfrmMain window;
        TDM dm;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.DatabaseFunctions());
        TfrmHelp &help = *window.frmHelp;

        window.btnHelp->click();
        QVERIFY(QTest::qWaitForWindowExposed(&help));
        QCOMPARE(help.txtManual->source().toLocalFile(), manual);
        QCOMPARE(help.txtManual->source().fragment(), QStringLiteral("Overview"));
        QVERIFY(ChapterAtTop(*help.txtManual, QStringLiteral("Overview")));
        QVERIFY(help.size().width() <= window.screen()->availableGeometry().width());

        const QList<QPair<TNavButton *, QString>> pages = {
            {window.btnConnectedSystem, QStringLiteral("ManageBeacons")},
            {window.btnSchedules, QStringLiteral("Libraries")},
            {window.btnCalendars, QStringLiteral("Holidays")},
            {window.btnSettings, QStringLiteral("SoftwareSettings")},
            {window.btnLog, QStringLiteral("EventLog")},
            {window.btnHome, QStringLiteral("Overview")},
        };
        for (const auto &[button, chapter] : pages) {
            QTest::mouseClick(button, Qt::LeftButton);
            // The operator goes back to the main window, the manual staying open.
            window.activateWindow();
            QTRY_COMPARE(QApplication::activeWindow(), &window);
            QTest::keyClick(&window, Qt::Key_F1);
            QCOMPARE(help.txtManual->source().toLocalFile(), manual);
            QCOMPARE(help.txtManual->source().fragment(), chapter);
            QVERIFY2(ChapterAtTop(*help.txtManual, chapter), qPrintable(chapter));
        }
        QVERIFY(help.isVisible());
        QVERIFY(!QApplication::activeModalWidget()); // the main window stays usable
        QCOMPARE(messages.entries.size(), 0);
        QVERIFY(fOpened.isEmpty()); // no web browser

        // Every picture is there, none wider than the page.
        int pictures = 0;
        int link = -1;
        for (const QTextFragment &piece : Pieces(*help.txtManual)) {
            if (link < 0 && piece.charFormat().anchorHref() == QLatin1String("#ManageBeacons"))
                link = piece.position() + 1;
            if (!piece.charFormat().isImageFormat())
                continue;
            ++pictures;
            const QString name = piece.charFormat().toImageFormat().name();
            const QVariant resource = help.txtManual->document()->resource(QTextDocument::ImageResource, name);
            // As read, or as the page keeps it once drawn.
            const QImage picture = resource.typeId() == QMetaType::QByteArray ? QImage::fromData(resource.toByteArray())
                                                                              : resource.value<QPixmap>().toImage();
            QVERIFY2(!picture.isNull(), qPrintable(name));
            const int right = Shown(*help.txtManual, piece.position()).left() + picture.width();
            QVERIFY2(right <= help.txtManual->viewport()->width(), qPrintable(name));
        }
        QVERIFY(pictures >= 15);
        QCOMPARE(help.txtManual->horizontalScrollBar()->maximum(), 0);

        // A link to another chapter leads there, and Back returns.
        QTextCursor cursor(help.txtManual->document());
        cursor.setPosition(link);
        help.txtManual->setTextCursor(cursor);
        help.txtManual->ensureCursorVisible();
        QTest::mouseClick(help.txtManual->viewport(), Qt::LeftButton, {}, Shown(*help.txtManual, link).center());
        QCOMPARE(help.txtManual->source().fragment(), QStringLiteral("ManageBeacons"));
        QVERIFY(ChapterAtTop(*help.txtManual, QStringLiteral("ManageBeacons")));
        help.btnBack->click();
        QCOMPARE(help.txtManual->source().fragment(), QStringLiteral("Overview"));
        QVERIFY(fOpened.isEmpty());

        // A manual that is nowhere: the operator is told where it was looked for.
        help.close();
        QTemporaryDir nowhere;
        const QStringList folders{nowhere.filePath(QStringLiteral("help")), nowhere.filePath(QStringLiteral("share"))};
        SetHelpFolders(folders);
        window.btnHelp->click();
        QVERIFY(!help.isVisible());
        QCOMPARE(messages.Texts(TMessageService::Kind::Error), QStringList(HelpNotFoundText()));
        QVERIFY(HelpNotFoundText().endsWith(folders.join(u'\n')));
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    TestHelp test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_help.moc"
