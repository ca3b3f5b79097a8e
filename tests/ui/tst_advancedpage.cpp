// The advanced settings page: its controls, the rules that only the
// operator's changes run, the brightness range bar, and the conversions to
// BeaconSettings and the settings file as the controls show them.
#include "app/application.h"
#include "config/messages.h"
#include "pages/childadvanced.h"
#include "protocol/beaconprotocol.h"
#include "store/inifile.h"
#include "testenv.h"
#include "testmessageservice.h"
#include "widgets/rangebar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimeEdit>
#include <QtTest>
#include <ctime>
#include <memory>

using Kind = TMessageService::Kind;

namespace {
void setZone(const char *zone)
{
    qputenv("TZ", zone);
    tzset();
}

QDate nthSunday(int year, int month, int n)
{
    QDate day(year, month, 1);
    while (day.dayOfWeek() != Qt::Sunday)
        day = day.addDays(1);
    return day.addDays(7 * (n - 1));
}

// The operator picks an entry of a list.
void choose(QComboBox *list, int index)
{
    list->setCurrentIndex(index);
    Q_EMIT list->activated(index);
}

QStringList items(const QComboBox *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->itemText(i);
    return texts;
}

QString brightnessText(int lower, int upper)
{
    return QStringLiteral("Brightness Variation from %1% to %2%").arg(lower).arg(upper);
}

// A page in a host of the Manage Beacons page's size, shown.
struct TShownPage {
    QWidget host;
    TfrmChildAdvanced *page;
    TShownPage() : page(new TfrmChildAdvanced(&host))
    {
        host.resize(593, 238);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
    }
};
}

class TestAdvancedPage : public QObject {
    Q_OBJECT
    QByteArray fSavedZone;

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        fSavedZone = qgetenv("TZ");
        setZone("UTC");
    }
    void cleanupTestCase()
    {
        if (fSavedZone.isEmpty())
            qunsetenv("TZ");
        else
            qputenv("TZ", fSavedZone);
        tzset();
    }
    void init() { BeaconSettings = TBeaconSettings(); }

    void createdAsDesignedWithAutoSetRun()
    {
        setZone("America/New_York");
        TShownPage shown;
        setZone("UTC");
        TfrmChildAdvanced &page = *shown.page;
        const int year = QDate::currentDate().year();

        QVERIFY(page.cbUseMUTCD->isChecked());
        QCOMPARE(page.cbUseMUTCD->text(), QStringLiteral("Use MUTCD Default flashing settings"));
        QCOMPARE(page.lblBrightness->text(), brightnessText(10, 100));
        QCOMPARE(page.rangeBrightness->Lower(), 10);
        QCOMPARE(page.rangeBrightness->Upper(), 100);
        QCOMPARE(page.gbDST->title(), QStringLiteral("  DST Settings "));
        QCOMPARE(page.btnSetDST->text(), QStringLiteral("Auto Set"));
        QCOMPARE(items(page.cbFlashPattern),
                 (QStringList{"Constant Level (ON/OFF)", "Simultaneous One Flash", "Simultaneous Two Flashes",
                              "Simultaneous Three Flashes", "Alternating One Flash (Default)",
                              "Alternating Two Flashes", "Alternating Three Flashes"}));
        QCOMPARE(items(page.cbFlashSpeed), (QStringList{"Very Slow", "Slow", "Medium (Default)", "Fast", "Very Fast"}));
        QCOMPARE(items(page.cbZBeeMode), (QStringList{"Single Beacon System", "Master Beacon", "Slave Beacon"}));
        QCOMPARE(items(page.cbZBeeChannel).size(), 10);
        QCOMPARE(items(page.cbZBeeChannel).at(1), QStringLiteral("Channel #1"));
        QCOMPARE(items(page.cbOffset), (QStringList{"30 Minutes", "60 Minutes", "90 Minutes", "120 Minutes", " "}));
        for (QComboBox *list : {page.cbFlashPattern, page.cbFlashSpeed, page.cbZBeeMode, page.cbZBeeChannel,
                                page.cbOffset})
            QVERIFY(!list->isEditable());
        QCOMPARE(page.cbFlashPattern->currentIndex(), 4);
        QCOMPARE(page.cbFlashSpeed->currentIndex(), 2);
        QVERIFY(page.cbFlashSpeed->isEnabled());
        QCOMPARE(page.cbZBeeMode->currentIndex(), 0);
        QCOMPARE(page.cbZBeeChannel->currentIndex(), 0);
        QVERIFY(!page.cbZBeeChannel->isEnabled());
        // "Auto Set" ran at creation with the workstation's zone.
        QCOMPARE(page.dtDate1->date(), nthSunday(year, 3, 2));
        QCOMPARE(page.dtDate2->date(), nthSunday(year, 11, 1));
        QCOMPARE(page.dtChangeTime->time(), QTime(2, 0));
        QCOMPARE(page.cbOffset->currentText(), QStringLiteral("60 Minutes"));
        // Everything fits the host the page fills.
        QVERIFY(page.minimumSizeHint().width() <= 593);
        QVERIFY(page.minimumSizeHint().height() <= 238);

        // In a zone without daylight saving "Auto Set" puts both dates on
        // 1 January 2010 and leaves the offset and the shift time alone.
        choose(page.cbOffset, 3);
        page.btnSetDST->click();
        QCOMPARE(page.dtDate1->date(), QDate(2010, 1, 1));
        QCOMPARE(page.dtDate2->date(), QDate(2010, 1, 1));
        QCOMPARE(page.dtChangeTime->time(), QTime(2, 0));
        QCOMPARE(page.cbOffset->currentIndex(), 3);
        page.SetSettings();
        QCOMPARE(BeaconSettings.DstStartDay, -1);
        QCOMPARE(BeaconSettings.DstOffset, 120);
    }

    void patternAndMutcdRulesFollowTheOperatorOnly()
    {
        TTestMessageService messages;
        TShownPage shown;
        TfrmChildAdvanced &page = *shown.page;

        choose(page.cbFlashPattern, 0); // "Constant Level (ON/OFF)"
        QCOMPARE(page.cbFlashSpeed->currentText(), QStringLiteral("Very Slow"));
        QVERIFY(!page.cbFlashSpeed->isEnabled());
        QVERIFY(!page.cbUseMUTCD->isChecked());

        page.cbUseMUTCD->click(); // checking it restores both defaults
        QCOMPARE(page.cbFlashPattern->currentIndex(), 4);
        QCOMPARE(page.cbFlashSpeed->currentIndex(), 2);
        QVERIFY(page.cbFlashSpeed->isEnabled());

        choose(page.cbFlashSpeed, 3); // "Fast"
        QVERIFY(!page.cbUseMUTCD->isChecked());
        choose(page.cbFlashSpeed, 2);
        QVERIFY(page.cbUseMUTCD->isChecked());
        page.cbUseMUTCD->click(); // clearing it changes nothing else
        QCOMPARE(page.cbFlashPattern->currentIndex(), 4);
        QCOMPARE(page.cbFlashSpeed->currentIndex(), 2);

        // A selection set by the program runs no rule, but is what the page holds.
        page.cbUseMUTCD->click();
        page.cbFlashPattern->setCurrentIndex(0);
        QVERIFY(page.cbFlashSpeed->isEnabled());
        QVERIFY(page.cbUseMUTCD->isChecked());
        choose(page.cbFlashSpeed, 1); // the next operator change takes it in
        QCOMPARE(page.Settings().FlashPattern, 0);
        QCOMPARE(page.cbFlashSpeed->currentIndex(), 0);
        QVERIFY(!page.cbUseMUTCD->isChecked());
        QVERIFY(messages.entries.isEmpty());
    }

    void roleRuleWarnsOnEverySlaveChoice()
    {
        TTestMessageService messages;
        TShownPage shown;
        TfrmChildAdvanced &page = *shown.page;

        choose(page.cbZBeeMode, 1); // "Master Beacon"
        QVERIFY(page.cbZBeeChannel->isEnabled());
        choose(page.cbZBeeChannel, 3);
        choose(page.cbZBeeMode, 0); // back to "Single Beacon System"
        QCOMPARE(page.cbZBeeChannel->currentText(), QStringLiteral("OFF"));
        QVERIFY(!page.cbZBeeChannel->isEnabled());
        QVERIFY(messages.entries.isEmpty());

        // The warning comes once the channel list is there to choose from.
        QStringList whileWarned;
        messages.onShow = [&](const TTestMessageService::Entry &) {
            whileWarned << page.cbZBeeMode->currentText() + u'|'
                    + (page.cbZBeeChannel->isEnabled() ? QStringLiteral("channel enabled") : QStringLiteral("-"));
        };
        choose(page.cbZBeeMode, 2);
        choose(page.cbZBeeMode, 2);
        QCOMPARE(whileWarned, QStringList(2, QStringLiteral("Slave Beacon|channel enabled")));
        messages.onShow = nullptr;
        QCOMPARE(messages.Texts(Kind::Warning), QStringList(2, QString::fromUtf8(Msg::SlaveModeWarning)));
        QCOMPARE(page.cbZBeeMode->currentText(), QStringLiteral("Slave Beacon"));
        QVERIFY(page.cbZBeeChannel->isEnabled());

        messages.Clear();
        page.cbZBeeMode->setCurrentIndex(2); // from the program: no warning
        QVERIFY(messages.entries.isEmpty());
    }

    void showAndSetSettingsThroughTheControls()
    {
        TTestMessageService messages;
        TShownPage shown;
        TfrmChildAdvanced &page = *shown.page;

        BeaconSettings.BrightnessRange = 0x59;
        BeaconSettings.FlashPattern = 9; // beyond the list
        BeaconSettings.FlashSpeed = 3;
        BeaconSettings.BeaconRole = 2;
        BeaconSettings.LinkChannel = 4;
        BeaconSettings.DstStartDay = 5545;
        BeaconSettings.DstEndDay = 5783;
        BeaconSettings.DstShiftTime = 120;
        BeaconSettings.DstOffset = 90;
        QString channelWhileWarned;
        messages.onShow = [&](const TTestMessageService::Entry &) {
            channelWhileWarned = page.cbZBeeChannel->isEnabled() ? page.cbZBeeChannel->currentText() : QString();
        };
        page.ShowSettings();
        messages.onShow = nullptr;
        QCOMPARE(channelWhileWarned, QStringLiteral("Channel #4"));
        QCOMPARE(page.lblBrightness->text(), brightnessText(40, 60));
        QCOMPARE(page.cbFlashPattern->currentIndex(), 0);
        QCOMPARE(page.cbFlashSpeed->currentText(), QStringLiteral("Very Slow"));
        QVERIFY(!page.cbFlashSpeed->isEnabled());
        QVERIFY(!page.cbUseMUTCD->isChecked());
        QCOMPARE(page.cbZBeeChannel->currentText(), QStringLiteral("Channel #4"));
        QVERIFY(page.cbZBeeChannel->isEnabled());
        QCOMPARE(page.dtDate1->date(), QDate(2025, 3, 9));
        QCOMPARE(page.dtDate2->date(), QDate(2025, 11, 2));
        QCOMPARE(page.dtChangeTime->time(), QTime(2, 0));
        QCOMPARE(page.cbOffset->currentText(), QStringLiteral("90 Minutes"));
        QCOMPARE(messages.Texts(Kind::Warning), QStringList(QString::fromUtf8(Msg::SlaveModeWarning)));

        BeaconSettings.BrightnessRange = 0x00;
        BeaconSettings.BeaconRole = 0;
        page.ShowSettings();
        QCOMPARE(page.lblBrightness->text(), brightnessText(10, 10));

        // What the operator puts in the controls is what goes out.
        page.dtDate1->setDate(QDate(2010, 1, 2));
        page.dtDate2->setDate(QDate(2010, 1, 1));
        page.dtChangeTime->setTime(QTime(3, 30));
        choose(page.cbOffset, 4); // the blank item keeps the offset
        page.rangeBrightness->setFocus();
        QTest::keyClick(page.rangeBrightness, Qt::Key_Tab);
        QTest::keyClick(page.rangeBrightness, Qt::Key_End);
        page.SetSettings();
        QCOMPARE(BeaconSettings.DstStartDay, 0);
        QCOMPARE(BeaconSettings.DstEndDay, -1);
        QCOMPARE(BeaconSettings.DstShiftTime, 210);
        QCOMPARE(BeaconSettings.DstOffset, 90);
        QCOMPARE(int(BeaconSettings.BrightnessRange), 0x1F);
    }

    void rangeBarMovesTheFocusedHandleByTen()
    {
        TShownPage shown;
        TfrmChildAdvanced &page = *shown.page;
        TRangeBar *bar = page.rangeBrightness;
        QSignalSpy moved(bar, &TRangeBar::RangeChanged);
        bar->setFocus(Qt::TabFocusReason);
        QCOMPARE(bar->FocusedHandle(), TRangeBar::Handle::Lower);

        QTest::keyClick(bar, Qt::Key_Right);
        QCOMPARE(bar->Lower(), 20);
        QCOMPARE(page.lblBrightness->text(), brightnessText(20, 100));
        QTest::keyClick(bar, Qt::Key_Left);
        QTest::keyClick(bar, Qt::Key_Left); // stops at the limit
        QCOMPARE(bar->Lower(), 10);
        QCOMPARE(moved.count(), 2);

        // Tab goes on to the upper handle before it leaves the bar.
        QTest::keyClick(bar, Qt::Key_Tab);
        QCOMPARE(bar->FocusedHandle(), TRangeBar::Handle::Upper);
        QVERIFY(bar->hasFocus());
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(bar, Qt::Key_Down);
        QCOMPARE(bar->Upper(), 50);
        QTest::keyClick(bar, Qt::Key_Backtab);
        QCOMPARE(bar->FocusedHandle(), TRangeBar::Handle::Lower);
        for (int i = 0; i < 6; ++i)
            QTest::keyClick(bar, Qt::Key_Up); // the handles never pass each other
        QCOMPARE(bar->Lower(), 50);
        QCOMPARE(page.lblBrightness->text(), brightnessText(50, 50));
        QCOMPARE(page.Settings().BrightnessMin, 50);
        QCOMPARE(page.Settings().BrightnessMax, 50);

        // A click takes the nearer handle to the nearest step: of two on one
        // position, the one on the side clicked.
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() - 1, bar->height() / 2));
        QCOMPARE(bar->FocusedHandle(), TRangeBar::Handle::Upper);
        QCOMPARE(bar->Upper(), 100);
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(0, bar->height() / 2));
        QCOMPARE(bar->FocusedHandle(), TRangeBar::Handle::Lower);
        QCOMPARE(bar->Lower(), 10);
        QCOMPARE(page.lblBrightness->text(), brightnessText(10, 100));

        // Set by the program: kept within the limits, in order, and unreported.
        moved.clear();
        bar->SetRange(80, 20);
        QCOMPARE(bar->Lower(), 20);
        QCOMPARE(bar->Upper(), 80);
        bar->SetRange(1, 150);
        QCOMPARE(bar->Lower(), 10);
        QCOMPARE(bar->Upper(), 100);
        QCOMPARE(moved.count(), 0);
    }

    void settingsFileSetsTheControlsWithoutTheRules()
    {
        TTestMessageService messages;
        TShownPage shown;
        TfrmChildAdvanced &page = *shown.page;
        const QLocale locale(QLocale::English, QLocale::UnitedKingdom);

        TIniFile file(locale);
        file.LoadFromBytes("[General]\r\nBrightnessMin=30\r\nBrightnessMax=70\r\nFlashPattern=0\r\nFlashSpeed=3\r\n"
                           "LinkChannel=12\r\nBeaconRole=2\r\nDateDST1=29/03/2026\r\nDateDST2=25/10/2026\r\n"
                           "TimeDST=01:00:00\r\ncbOffsetDST=4\r\n");
        page.LoadFromIni(&file);
        QVERIFY(messages.entries.isEmpty()); // no slave warning
        QCOMPARE(page.lblBrightness->text(), brightnessText(30, 70));
        QCOMPARE(page.cbFlashPattern->currentIndex(), 0);
        QCOMPARE(page.cbFlashSpeed->currentText(), QStringLiteral("Fast"));
        QVERIFY(page.cbFlashSpeed->isEnabled()); // enabled as before
        QVERIFY(page.cbUseMUTCD->isChecked());   // neither saved nor loaded
        QCOMPARE(page.cbZBeeMode->currentText(), QStringLiteral("Slave Beacon"));
        QCOMPARE(page.cbZBeeChannel->currentIndex(), -1); // beyond the list: nothing selected
        QVERIFY(!page.cbZBeeChannel->isEnabled());
        QCOMPARE(page.dtDate1->date(), QDate(2026, 3, 29));
        QCOMPARE(page.dtDate2->date(), QDate(2026, 10, 25));
        QCOMPARE(page.dtChangeTime->time(), QTime(1, 0));
        QCOMPARE(page.cbOffset->currentIndex(), 4);

        TIniFile saved(locale);
        page.SaveToIni(&saved);
        QCOMPARE(saved.ReadInteger(QStringLiteral("General"), QStringLiteral("LinkChannel"), 0), -1);
        QCOMPARE(saved.ReadInteger(QStringLiteral("General"), QStringLiteral("BrightnessMin"), 0), 30);
        QCOMPARE(saved.ReadInteger(QStringLiteral("General"), QStringLiteral("cbOffsetDST"), 0), 4);
        QCOMPARE(saved.ReadString(QStringLiteral("General"), QStringLiteral("DateDST1"), {}),
                 QStringLiteral("29/03/2026"));

        // An empty file: the bar keeps its limits, lists their first entries.
        const TIniFile empty(locale);
        page.LoadFromIni(&empty);
        QCOMPARE(page.lblBrightness->text(), brightnessText(10, 100));
        QCOMPARE(page.cbZBeeMode->currentIndex(), 0);
        QCOMPARE(page.cbOffset->currentIndex(), 0);
        QCOMPARE(page.dtDate1->date(), QDate(1899, 12, 30));
        QCOMPARE(page.dtChangeTime->time(), QTime(0, 0));

        page.LoadFromIni(nullptr); // no file: nothing happens
        QCOMPARE(page.dtDate1->date(), QDate(1899, 12, 30));
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    TestAdvancedPage test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_advancedpage.moc"
