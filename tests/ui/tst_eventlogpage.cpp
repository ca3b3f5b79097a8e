// The Event Log page: the download with its progress window and Abort, the
// list, and the event-log file, against a simulated controller on a
// pseudo-terminal.
#include "app/application.h"
#include "eventlog/eventdownload.h"
#include "eventlog/events.h"
#include "monitorrig.h"
#include "testenv.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>
#include <QWindow>
#include <algorithm>
#include <vector>

using namespace MonitorRig;
using Kind = TMessageService::Kind;

namespace {
TSimOptions Slowed(int replyDelayMs)
{
    TSimOptions options;
    options.name = QStringLiteral("beacon");
    options.replyDelayMs = replyDelayMs; // time to watch the download
    return options;
}

// The rows the page must show for the first count slots of the controller's
// log: newest first, the later slot first among equal times.
QList<QStringList> ExpectedRows(const TBeaconController &controller, int count = EventSlotCount)
{
    std::vector<TEvents> events;
    for (int slot = 0; slot < count; ++slot) {
        const TBeaconController::TEventSlot &e = controller.events[size_t(slot)];
        type_events_record record;
        record.day_num = qint16(e.dayNum);
        record.minutes_num = qint16(e.minutes);
        record.event_type = qint8(e.type);
        for (int i = 0; i < 3; ++i)
            record.parms[i] = qint16(e.parms[size_t(i)]);
        events.emplace_back(record);
    }
    std::stable_sort(events.begin(), events.end(), [](const TEvents &a, const TEvents &b) { return a.DateT() < b.DateT(); });
    QList<QStringList> rows;
    for (auto it = events.rbegin(); it != events.rend(); ++it) {
        const TListItem row = it->Row();
        rows << QStringList{row.Caption} + row.SubItems;
    }
    return rows;
}

QList<QStringList> Listed(const TfrmMain &window)
{
    return Rows(window.lvEvents);
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A window that asks to be repainted every 10 ms, as a busy indicator does,
// and notes the longest time between two paints.
class TAnimatedWindow : public QWidget {
public:
    TAnimatedWindow()
    {
        resize(100, 50);
        connect(&fTick, &QTimer::timeout, this, [this] { update(); });
        fTick.start(10);
    }
    void Restart()
    {
        fLongestMs = 0;
        fSince.start();
    }
    qint64 LongestMs() const { return qMax(fLongestMs, fSince.elapsed()); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (fSince.isValid())
            fLongestMs = qMax(fLongestMs, fSince.elapsed());
        fSince.start();
    }

private:
    QTimer fTick;
    QElapsedTimer fSince;
    qint64 fLongestMs = 0;
};
}

class TestEventLogPage : public QObject, public TRigHolder {
    Q_OBJECT

    std::unique_ptr<TBeaconSimulator> fSim;

    TRig &StartConnected(const TSimOptions &options)
    {
        fSim.reset(); // the name is one simulator's at a time
        fSim = std::make_unique<TBeaconSimulator>(options);
        TRig &rig = StartRig(fSim->PortName());
        Connect(false);
        ShowPage(rig.window.btnLog, rig.window.pageLog);
        WaitForIdentity();
        rig.messages.Clear();
        return rig;
    }

    // The operator's download; returns when it has ended.
    void DownloadEvents()
    {
        OperatorClick(fRig->window.btnDownloadEvents);
        QVERIFY(!fRig->progBar.isVisible());
        QVERIFY(!QGuiApplication::overrideCursor());
        QVERIFY(dmCOM().ScanActive());
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fDir.isValid());
        InitTestEnvironment();
        ClearVirtualPorts();
    }
    void init() { ResetBeaconMemory(); }
    void cleanup()
    {
        fRig.reset();
        fSim.reset();
    }

    void theListAndTheProgressWindowAsDesigned()
    {
        TRig &rig = StartRig(QStringLiteral("none"));
        QTreeWidget *lv = rig.window.lvEvents;
        QStringList headers;
        for (int column = 0; column < lv->columnCount(); ++column)
            headers << lv->headerItem()->text(column);
        QCOMPARE(headers, (QStringList{"Date/Time", "Events", "Power Supply", "Voltage 2", "Brightness"}));
        QVERIFY(lv->isColumnHidden(3));
        QCOMPARE(lv->topLevelItemCount(), 0);
        QCOMPARE(rig.progBar.windowTitle(), QStringLiteral("Loading Events..."));
        QCOMPARE(rig.progBar.lblProgBar->text(), QStringLiteral("Loading..."));
        QCOMPARE(rig.progBar.pbProgBar->minimum(), 0);
        QCOMPARE(rig.progBar.pbProgBar->maximum(), 92);
        QCOMPARE(rig.progBar.btnlbProgBar->text(), QStringLiteral("Abort"));
        QVERIFY(!rig.window.btnDownloadEvents->isEnabled()); // no beacon yet
    }

    // All 93 slots, newest first; while the download runs the progress window
    // counts and nothing else may use the line.
    void downloadListsTheLogNewestFirst()
    {
        TRig &rig = StartConnected(Slowed(10));
        TfrmMain &window = rig.window;
        // Two events at the same, latest time: the later slot is listed first.
        fSim->WithController([](TBeaconController &c) {
            const quint16 tomorrow = quint16(QDate(2010, 1, 1).daysTo(QDate::currentDate().addDays(1)));
            c.events[4] = {tomorrow, 600, 4, {520, 505, 1024}};
            c.events[9] = {tomorrow, 600, 5, {505, 520, 2048}};
        });
        const TBeaconController controller = Controller(*fSim);

        QList<int> positions;
        bool lineHeld = false;
        Watch(&rig.progBar, [&] {
            if (!rig.progBar.isVisible())
                return false;
            positions << rig.progBar.pbProgBar->value();
            if (positions.constLast() < 20 || lineHeld)
                return false;
            const QCursor *cursor = QGuiApplication::overrideCursor();
            lineHeld = !dmCOM().ScanActive() && cursor && cursor->shape() == Qt::WaitCursor
                       && !window.imgPortSwitch->isEnabled() && !window.btnDownloadEvents->isEnabled()
                       && !window.btnUploadTo->isEnabled() && !window.btnDownloadFrom->isEnabled()
                       && !window.btnRealTime->isEnabled() && !window.btnOverride->isEnabled();
            // The operator tries anyway.
            OperatorClick(window.btnDownloadEvents);
            OperatorClick(window.imgPortSwitch);
            return false;
        });
        fSim->ClearFrameLog();
        DownloadEvents();

        QVERIFY(lineHeld);
        QVERIFY(positions.size() > 5);
        QVERIFY(std::is_sorted(positions.cbegin(), positions.cend()));
        QVERIFY(positions.constLast() > 80);
        QStringList expectedFrames;
        for (int slot = 0; slot < EventSlotCount; ++slot)
            expectedFrames << QStringLiteral("!3501%1").arg(slot, 2, 16, QLatin1Char('0')).toUpper();
        QStringList frames;
        for (const QByteArray &frame : fSim->Received())
            if (frame.startsWith("!35"))
                frames << QString::fromLatin1(frame);
        // The answer to the last identity poll may still be on the line when
        // slot 0 is asked for; it fails that attempt and slot 0 is asked again.
        if (frames.size() > 1 && frames.at(1) == frames.at(0))
            frames.removeFirst();
        QCOMPARE(frames, expectedFrames); // one download, each slot once

        const QList<QStringList> rows = Listed(window);
        QCOMPARE(rows.size(), 93);
        QCOMPARE(rows, ExpectedRows(controller));
        QCOMPARE(rows.at(0).at(1), QStringLiteral("Beacons switched OFF [Manual]"));
        QCOMPARE(rows.at(1).at(1), QStringLiteral("Beacons switched ON [Manual]"));
        QCOMPARE(rows.at(0).at(2), QStringLiteral("12.00 V"));
        QCOMPARE(rows.at(0).at(3), QStringLiteral("12.40 V")); // the hidden second voltage
        QCOMPARE(rows.at(0).at(4), QStringLiteral("50 %"));
        QCOMPARE(rows.constLast().at(1), QStringLiteral("System turned ON after reset"));
        QCOMPARE(rig.messages.Texts(), QStringList());
        // The line is free again.
        QVERIFY(window.SwitchedOn());
        QVERIFY(window.imgPortSwitch->isEnabled() && window.btnDownloadEvents->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(window.btnUploadTo->isEnabled() && window.btnOverride->isEnabled(), kIdentityWaitMs);
    }

    // Abort keeps the list as it was and gives the line back to the poll.
    void abortKeepsTheList()
    {
        TRig &rig = StartConnected(Slowed(10));
        DownloadEvents();
        const QList<QStringList> before = Listed(rig.window);
        QCOMPARE(before.size(), 93);

        fSim->WithController([](TBeaconController &c) { c.events[0].type = 9; });
        Watch(&rig.progBar, [&] {
            if (!rig.progBar.isVisible() || rig.progBar.pbProgBar->value() < 10)
                return false;
            OperatorClick(rig.progBar.btnlbProgBar);
            return true;
        });
        fSim->ClearFrameLog();
        DownloadEvents();
        QCOMPARE(Listed(rig.window), before);
        const int reads = int(Commands(*fSim).count(QStringLiteral("35")));
        QVERIFY2(reads >= 10 && reads < 93, qPrintable(QString::number(reads)));
        QCOMPARE(rig.messages.Texts(), QStringList());
        fSim->ClearFrameLog();
        QTRY_VERIFY_WITH_TIMEOUT(Commands(*fSim).contains(QStringLiteral("01")), kIdentityWaitMs);
    }

    // A controller that takes 0.6 s a reply, with an identity poll on its way
    // when the download begins: every event is listed once, in its place.
    void aSlowBeaconsLogComesWhole()
    {
        TRig &rig = StartConnected(Slowed(600));
        const TBeaconController controller = Controller(*fSim);
        QTRY_VERIFY_WITH_TIMEOUT(dmCOM().ReplyOwed(), kIdentityWaitMs);
        DownloadEvents();
        QCOMPARE(Listed(rig.window), ExpectedRows(controller));
        QCOMPARE(rig.messages.Texts(), QStringList());
        QCOMPARE(fSim->RequestsWhileOwed(), 0);
    }

    // A download that fails before reading any event leaves the list alone.
    void aDownloadThatReadsNothingKeepsTheList()
    {
        TRig &rig = StartConnected(Slowed(0));
        DownloadEvents();
        const QList<QStringList> before = Listed(rig.window);
        QCOMPARE(before.size(), EventSlotCount);
        // The poll held off and its last reply in, every slot's replies are spoiled.
        dmCOM().SetScanActive(false);
        QTRY_VERIFY_WITH_TIMEOUT(!dmCOM().ReplyOwed(), kIdentityWaitMs);
        for (int i = 0; i < 2 * SilentSlotLimit; ++i)
            fSim->QueueRawReply("!35ZZ");
        DownloadEvents();
        QCOMPARE(Listed(rig.window), before);
        QCOMPARE(rig.messages.Texts(Kind::Error),
                 QStringList{QStringLiteral("The Beacon stopped answering; 0 event(s) were read.")});
    }

    // Abort acts at once, in the wait for a reply and in the read after it,
    // with nothing said about the slot that could not be read before it; the
    // window keeps repainting through the silent exchange.
    void abortActsAtOnceInASilentSlot()
    {
        TSimOptions options = Slowed(0);
        options.ignore = {cmdEventRecord};
        TRig &rig = StartConnected(options);
        const QString earlier = fDir.filePath(QStringLiteral("earlier.csv"));
        WriteFile(earlier, "\"01/02/24 07:00\",\"Beacons switched ON [Scheduled]\",\"12.40 V\",\"12.00 V\",\"100 %\";\r\n");
        rig.messages.fileAnswers << earlier;
        OperatorClick(rig.window.btnLoadLogFromFile);
        const QList<QStringList> before = Listed(rig.window);
        QCOMPARE(before.size(), 1);
        TAnimatedWindow animated;
        animated.show();
        QVERIFY(QTest::qWaitForWindowExposed(&animated));

        // Slot 0 is answered for another command, slot 1 not at all; Abort
        // comes inside the 2.5 s wait for its reply, or 3 s into the 3.75 s
        // read that follows.
        for (const int abortAfterMs : {1000, 5500}) {
            fSim->QueueRawReply("!0100");
            fSim->QueueRawReply("!0100");
            QElapsedTimer inSlot, sinceAbort;
            qint64 longestGap = 0;
            Watch(&rig.progBar, [&] {
                if (!rig.progBar.isVisible() || rig.progBar.pbProgBar->value() < 1)
                    return false;
                if (!inSlot.isValid()) {
                    inSlot.start();
                    animated.Restart();
                }
                if (inSlot.elapsed() < abortAfterMs)
                    return false;
                longestGap = animated.LongestMs();
                sinceAbort.start();
                OperatorClick(rig.progBar.btnlbProgBar);
                return true;
            });
            DownloadEvents();
            QVERIFY(sinceAbort.isValid());
            QVERIFY2(sinceAbort.elapsed() < 500, qPrintable(QString::number(sinceAbort.elapsed())));
            QVERIFY2(longestGap < 1000, qPrintable(QString::number(longestGap)));
            QCOMPARE(Listed(rig.window), before);
            QCOMPARE(rig.messages.Texts(), QStringList());
        }
    }

    // After five slots in a row without a valid reply the download stops with
    // one message, and the list shows the events read before them.
    void aBeaconThatStopsAnsweringEndsTheDownload()
    {
        TRig &rig = StartConnected(Slowed(10));
        const TBeaconController controller = Controller(*fSim);
        Watch(&rig.progBar, [&] {
            if (!rig.progBar.isVisible() || rig.progBar.pbProgBar->value() < 10)
                return false;
            for (int i = 0; i < 2 * SilentSlotLimit; ++i)
                fSim->QueueRawReply("!35ZZ");
            return true;
        });
        fSim->ClearFrameLog();
        DownloadEvents();
        const QList<QStringList> rows = Listed(rig.window);
        QVERIFY2(rows.size() >= 10 && rows.size() < 15, qPrintable(QString::number(rows.size())));
        QCOMPARE(rows, ExpectedRows(controller, int(rows.size())));
        QCOMPARE(rig.messages.Texts(Kind::Error),
                 QStringList{QStringLiteral("The Beacon stopped answering; %1 event(s) were read.").arg(rows.size())});
        QCOMPARE(rig.messages.entries.size(), 1);
        // Each event read, two attempts at each silent slot, and perhaps a
        // second attempt at slot 0 when the last identity poll's answer was late.
        const qsizetype reads = Commands(*fSim).count(QStringLiteral("35"));
        QVERIFY2(reads - rows.size() - 2 * SilentSlotLimit <= 1 && reads >= rows.size() + 2 * SilentSlotLimit,
                 qPrintable(QString::number(reads)));
    }

    // The close box of the progress window aborts, but the window stays
    // until the download has ended, so the download never runs without it.
    void theCloseBoxAbortsAndTheWindowStaysToTheEnd()
    {
        TRig &rig = StartConnected(Slowed(10));
        DownloadEvents();
        const QList<QStringList> before = Listed(rig.window);

        fSim->WithController([](TBeaconController &c) { c.events[0].type = 9; });
        bool stayed = false;
        Watch(&rig.progBar, [&] {
            if (!rig.progBar.isVisible() || rig.progBar.pbProgBar->value() < 10)
                return false;
            rig.progBar.windowHandle()->close();
            stayed = rig.progBar.isVisible() && rig.progBar.Aborted();
            return true;
        });
        DownloadEvents();
        QVERIFY(stayed);
        QCOMPARE(Listed(rig.window), before);
        QCOMPARE(rig.messages.Texts(), QStringList());
        QVERIFY(rig.window.imgPortSwitch->isEnabled() && rig.window.btnDownloadEvents->isEnabled());

        // The main window's close box in a silent slot: the download ends at
        // once, as after Abort, and then the window closes rather than leave
        // the program running without it.
        fSim->WithController([](TBeaconController &c) { c.events[0].type = 8; });
        bool mainStayed = false;
        QElapsedTimer sinceClose;
        Watch(&rig.progBar, [&] {
            if (!rig.progBar.isVisible() || rig.progBar.pbProgBar->value() < 10)
                return false;
            fSim->QueueRawReply({}); // the slot's request goes unanswered
            QTimer::singleShot(300, &rig.window, [&] {
                rig.window.windowHandle()->close();
                mainStayed = rig.window.isVisible();
                sinceClose.start();
            });
            return true;
        });
        DownloadEvents();
        QVERIFY(mainStayed);
        QVERIFY2(sinceClose.elapsed() < 2000, qPrintable(QString::number(sinceClose.elapsed())));
        QTRY_VERIFY_WITH_TIMEOUT(!rig.window.isVisible(), 2000);
        QCOMPARE(Listed(rig.window), before);
        QCOMPARE(rig.messages.Texts(), QStringList());
    }

    // The list saved and loaded back; an empty list writes nothing; a file
    // that cannot be read or holds a bad line is reported.
    void saveAndLoadBack()
    {
        TRig &rig = StartConnected(Slowed(0));
        TfrmMain &window = rig.window;
        const QString empty = fDir.filePath(QStringLiteral("empty.csv"));
        rig.messages.fileAnswers << empty;
        OperatorClick(window.btnSaveLogToFile);
        QVERIFY(!QFile::exists(empty));

        DownloadEvents();
        const QList<QStringList> downloaded = Listed(window);
        const QString saved = fDir.filePath(QStringLiteral("events.csv"));
        rig.messages.fileAnswers << saved;
        OperatorClick(window.btnSaveLogToFile);
        const QByteArray bytes = ReadFile(saved);
        QVERIFY(bytes.endsWith(";\r\n"));
        const QList<QByteArray> lines = bytes.chopped(2).split('\n');
        QCOMPARE(lines.size(), 93);
        const QStringList first = downloaded.constFirst();
        QCOMPARE(lines.constFirst(), QStringLiteral("\"%1\",\"%2\",\"%3\",\"%4\",\"%5\";\r")
                                         .arg(first.at(0), first.at(1), first.at(2), first.at(3), first.at(4))
                                         .toLatin1());

        // Another file replaces the list; the saved one brings it back.
        const QString other = fDir.filePath(QStringLiteral("other.csv"));
        WriteFile(other, "\"01/02/24 07:00\",\"Beacons switched ON [Scheduled]\",\"12.40 V\",\"12.00 V\",\"100 %\";\r\n");
        rig.messages.fileAnswers << other;
        OperatorClick(window.btnLoadLogFromFile);
        QCOMPARE(Listed(window), (QList<QStringList>{
                                     {"01/02/24 07:00", "Beacons switched ON [Scheduled]", "12.40 V", "12.00 V", "100 %"}}));
        rig.messages.fileAnswers << saved;
        OperatorClick(window.btnLoadLogFromFile);
        QCOMPARE(Listed(window), downloaded);
        QCOMPARE(rig.messages.Texts(), QStringList());

        // A file that cannot be read leaves the list as it was.
        const QString missing = fDir.filePath(QStringLiteral("missing.csv"));
        rig.messages.fileAnswers << missing;
        OperatorClick(window.btnLoadLogFromFile);
        QCOMPARE(rig.messages.Texts(Kind::Error), QStringList{QStringLiteral("Unable to read ") + missing});
        QCOMPARE(Listed(window), downloaded);

        // A line without five fields ends the load; the lines before it stay.
        const QString bad = fDir.filePath(QStringLiteral("bad.csv"));
        WriteFile(bad, "\"a\",\"b\",\"c\",\"d\",\"e\";\r\n\"f\",\"g\";\r\n\"h\",\"i\",\"j\",\"k\",\"l\";\r\n");
        rig.messages.Clear();
        rig.messages.fileAnswers << bad;
        OperatorClick(window.btnLoadLogFromFile);
        QCOMPARE(rig.messages.Texts(Kind::Error),
                 QStringList{QStringLiteral("Line 2 of %1 does not hold the five fields of an event.").arg(bad)});
        QCOMPARE(Listed(window), (QList<QStringList>{{"a", "b", "c", "d", "e"}}));

        // Cancel in the file choosers does nothing.
        rig.messages.Clear();
        OperatorClick(window.btnLoadLogFromFile);
        OperatorClick(window.btnSaveLogToFile);
        QCOMPARE(rig.messages.Texts(), QStringList());
        QCOMPARE(Listed(window).size(), 1);
    }

    // A slot without a valid reply is left out of the list, and the operator
    // is told how many are missing.
    void anUnreadableSlotIsLeftOutAndReported()
    {
        TRig &rig = StartConnected(Slowed(10));
        const TBeaconController controller = Controller(*fSim);
        Watch(&rig.progBar, [&] {
            if (!rig.progBar.isVisible() || rig.progBar.pbProgBar->value() < 5)
                return false;
            // Both attempts at the next slot are answered for another command.
            fSim->QueueRawReply("!0200");
            fSim->QueueRawReply("!0200");
            return true;
        });
        DownloadEvents();
        const QList<QStringList> rows = Listed(rig.window);
        QCOMPARE(rows.size(), 92);
        QCOMPARE(rig.messages.Texts(),
                 QStringList{QStringLiteral("1 of the Beacon's event log entries could not be read; they are not listed.")});
        QCOMPARE(rig.messages.entries.constFirst().kind, Kind::Warning);
        for (const QStringList &row : rows)
            QVERIFY(ExpectedRows(controller).contains(row));
    }

    // The line fails part-way: the events read so far are listed and the
    // operator is told the download stopped.
    void aLinkErrorPartWayListsWhatWasRead()
    {
        TRig &rig = StartConnected(Slowed(10));
        const TBeaconController controller = Controller(*fSim);
        Watch(&rig.progBar, [&] {
            if (!rig.progBar.isVisible() || rig.progBar.pbProgBar->value() < 40)
                return false;
            fSim->CloseLine();
            return true;
        });
        DownloadEvents();

        const QList<QStringList> rows = Listed(rig.window);
        QVERIFY2(rows.size() >= 40 && rows.size() < 93, qPrintable(QString::number(rows.size())));
        QCOMPARE(rows, ExpectedRows(controller, int(rows.size())));
        // One box says what was lost and where; the status tick does not
        // report the same loss again.
        const QStringList errors = rig.messages.Texts(Kind::Error);
        QCOMPARE(errors.size(), 1);
        const QString lost = QStringLiteral("Lost the connection to %1 while reading the event log: ").arg(fSim->PortName());
        const QString stopped =
            QStringLiteral("\n\nThe download of the event log stopped; the %1 event(s) read before it are listed.")
                .arg(rows.size());
        QVERIFY2(errors.constFirst().startsWith(lost) && errors.constFirst().endsWith(stopped)
                     && errors.constFirst().size() > lost.size() + stopped.size(),
                 qPrintable(errors.constFirst()));
        QTRY_VERIFY_WITH_TIMEOUT(!rig.window.SwitchedOn(), kIdentityWaitMs);
        QVERIFY(!rig.window.btnDownloadEvents->isEnabled());
        QVERIFY(rig.window.imgPortSwitch->isEnabled());
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    TestEventLogPage test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_eventlogpage.moc"
