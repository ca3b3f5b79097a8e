// The Fleet window, worked as an operator would: opened from Home over a
// library whose inventory, register and archive were written as the program
// writes them; sorted, filtered, and a row opened into its history and archive.
#include "app/application.h"
#include "fleet/fleetmodel.h"
#include "history/eventarchive.h"
#include "history/eventarchivemodel.h"
#include "history/historymodel.h"
#include "history/register.h"
#include "monitor/frmfleet.h"
#include "monitor/frmhistory.h"
#include "monitorrig.h"
#include "testenv.h"
#include "testevents.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTreeView>

using namespace MonitorRig;
using Kind = TMessageService::Kind;

namespace {
const QDate DayZero(2010, 1, 1);

// A whole configuration without daylight saving: one schedule record, one
// calendar record ending calendarEnd days from today.
QByteArray Settings(int flashSpeed, int calendarEnd)
{
    return QStringLiteral("[General]\nBrightnessMin=10\nBrightnessMax=100\nFlashPattern=0\nFlashSpeed=%1\n"
                          "LinkChannel=0\nBeaconRole=0\nDateDST1ISO=2010-01-01\nDateDST2ISO=2010-01-01\n"
                          "TimeDSTISO=02:00:00\ncbOffsetDST=0\nScheduleCount=1\nCalendarCount=1\n\n[Schedule0]\n"
                          "id=1\nScheduleId=0\nRecDay=31\nRecOnTime=420\nRecOffTime=510\n\n[Calendar0]\nid=1\n"
                          "CalendarId=0\nName=BREAK\nDayNum=%2\nDays=1\nDayMode=6\n")
        .arg(flashSpeed)
        .arg(DayZero.daysTo(QDate::currentDate().addDays(calendarEnd)))
        .toUtf8();
}

type_events_record Event(int type, int rawVolts, int minutes)
{
    return TestEvent(type, rawVolts, minutes, QDate::currentDate().addDays(-1));
}

qint64 Act(const QString &serial, const char *action, const QByteArray &config = {})
{
    TActionRecord a;
    a.When = QDateTime::currentDateTimeUtc().addSecs(-3600);
    a.Source = QStringLiteral("cli");
    a.Serial = serial;
    a.Action = QString::fromLatin1(action);
    a.Outcome = QStringLiteral("done");
    a.Config = config;
    return THistoryRegister(DM()).Add(a);
}

// Assigned a configuration whose calendar ends in calendarEnd days, unless assignedSpeed is 0.
TFleetBeacon Beacon(const char *name, const char *serial, const QStringList &tags, int assignedSpeed,
                    int calendarEnd = 200)
{
    TFleetBeacon b;
    b.Name = QString::fromLatin1(name);
    b.Serial = QString::fromLatin1(serial);
    b.Site = b.Name.section(u'-', 0, 0) + QStringLiteral(" Elementary");
    b.Tags = tags;
    b.Address = QStringLiteral("tcp://192.168.40.%1:4001").arg(b.Name.size());
    if (assignedSpeed > 0) {
        b.AssignedName = QStringLiteral("term.bcfg");
        b.AssignedConfig = Settings(assignedSpeed, calendarEnd);
    }
    return b;
}

// The names of the rows shown, top to bottom.
QStringList Shown(const TfrmFleet &fleet)
{
    const QAbstractItemModel *model = fleet.tvFleet->model();
    QStringList names;
    for (int row = 0; row < model->rowCount(); ++row)
        names << model->index(row, TFleetModel::ColName).data().toString();
    return names;
}

void SelectRow(TfrmFleet &fleet, const QString &name)
{
    const int row = int(Shown(fleet).indexOf(name));
    QVERIFY2(row >= 0, qPrintable(name));
    const QModelIndex cell = fleet.tvFleet->model()->index(row, TFleetModel::ColName);
    OperatorClick(fleet.tvFleet->viewport(), fleet.tvFleet->visualRect(cell).center());
}

void ClickHeader(TfrmFleet &fleet, int column)
{
    // Scrolled into view first, as the operator would.
    fleet.tvFleet->scrollTo(fleet.tvFleet->model()->index(0, column));
    QHeaderView *header = fleet.tvFleet->horizontalHeader();
    QVERIFY(header->sectionViewportPosition(column) + header->sectionSize(column) / 2 < header->viewport()->width());
    OperatorClick(header->viewport(),
                  QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2));
}
}

class TestFleetWindow : public QObject, public TRigHolder {
    Q_OBJECT

    // Three beacons: north-1 due for four reasons, south-2 as assigned and
    // lately reached (never an event download), east-3 never reached.
    TRig &StartFleet()
    {
        TRig &rig = StartRig(QStringLiteral("no-beacon-here"));
        TFleetInventory inventory(DM());
        inventory.Add(Beacon("north-1", "20240001", {"north", "solar"}, 2, 10));
        inventory.Add(Beacon("south-2", "20240002", {"south"}, 2));
        inventory.Add(Beacon("east-3", "", {"east", "solar"}, 0));

        Act("20240001", THistoryRegister::Download, Settings(3, 10));
        const qint64 events = Act("20240001", THistoryRegister::Events);
        TEventArchive(DM()).Merge("20240001", {Event(2, 520, 420), Event(3, 400, 430)}, events);
        const qint64 identified = Act("20240001", THistoryRegister::Identify);
        inventory.RecordContact({"20240001", QDateTime::currentDateTimeUtc(), 240, identified});

        Act("20240002", THistoryRegister::Download, Settings(2, 200));
        inventory.RecordContact({"20240002", QDateTime::currentDateTimeUtc(), -2, Act("20240002", "identify")});
        return rig;
    }

    // Opens the window from Home and works in it; worked is set once work ran.
    void InFleet(TRig &rig, const std::function<void(TfrmFleet &)> &work)
    {
        bool worked = false;
        WhenModalOf<TfrmFleet>(this, [&](TfrmFleet &fleet) {
            work(fleet);
            worked = true;
            if (fleet.isVisible())
                OperatorClick(fleet.btnClose);
        });
        ShowPage(rig.window.btnHome, rig.window.pageHome);
        OperatorClick(rig.window.btnFleet);
        QVERIFY(worked);
    }

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        ClearVirtualPorts();
    }

    void init() { ResetBeaconMemory(); }
    void cleanup() { fRig.reset(); }

    void theFleetShowsSortsAndFiltersTheLibrarysBeacons()
    {
        TRig &rig = StartFleet();
        InFleet(rig, [&rig](TfrmFleet &fleet) {
            QCOMPARE(Shown(fleet), (QStringList{"east-3", "north-1", "south-2"})); // by name
            QCOMPARE(fleet.lblCount->text(), QStringLiteral("3 of 3 beacon(s)"));

            // What is due, by rule; the texts in the column, in full below for the selected row.
            const auto rules = [&fleet](const char *name) {
                QStringList words;
                for (int row = 0; row < fleet.Model().rowCount(); ++row)
                    if (fleet.Model().RowAt(row).Beacon.Name == QLatin1String(name))
                        for (const TDueItem &item : fleet.Model().RowAt(row).Due)
                            words << item.Rule;
                return words;
            };
            QCOMPARE(rules("north-1"), (QStringList{"config", "calendar", "clock", "voltage"}));
            QCOMPARE(rules("south-2"), QStringList());
            QCOMPARE(rules("east-3"), (QStringList{"config", "contact"}));
            QCOMPARE(fleet.tvFleet->model()->index(1, TFleetModel::ColDue).data().toString(),
                     QStringLiteral("config, calendar, clock, voltage"));
            SelectRow(fleet, QStringLiteral("north-1"));
            QCOMPARE(fleet.lblDue->text().count(u'\n'), 4);
            const QString north = fleet.lblDue->text();
            QVERIFY2(north.startsWith(QLatin1String("north-1 is due:\nconfig: ")) &&
                         north.contains(QLatin1String("Flashing Speed")) && north.contains(QLatin1String("9.51 V")),
                     qPrintable(north));
            SelectRow(fleet, QStringLiteral("south-2"));
            QCOMPARE(fleet.lblDue->text(), QStringLiteral("south-2: nothing is due."));

            // Sorted by a click on a column's title, the other way by a second.
            ClickHeader(fleet, TFleetModel::ColDue);
            QCOMPARE(Shown(fleet), (QStringList{"south-2", "east-3", "north-1"}));
            ClickHeader(fleet, TFleetModel::ColDue);
            QCOMPARE(Shown(fleet), (QStringList{"north-1", "east-3", "south-2"}));

            // Filtered by text in any column and by tag; both together.
            QCOMPARE(fleet.cbTag->count(), 5);
            QCOMPARE(fleet.cbTag->itemText(0), QStringLiteral("(all tags)"));
            fleet.edtFilter->setFocus();
            QTest::keyClicks(fleet.edtFilter, QStringLiteral("never"));
            QCOMPARE(Shown(fleet), QStringList{"east-3"});
            fleet.edtFilter->clear();
            OperatorPick(fleet.cbTag, fleet.cbTag->findText(QStringLiteral("solar")));
            QCOMPARE(Shown(fleet), (QStringList{"north-1", "east-3"}));
            QCOMPARE(fleet.lblCount->text(), QStringLiteral("2 of 3 beacon(s)"));
            QTest::keyClicks(fleet.edtFilter, QStringLiteral("2024"));
            QCOMPARE(Shown(fleet), QStringList{"north-1"});
            QVERIFY(rig.messages.entries.isEmpty());
        });

        // Opened again it reads the library again, keeping the filter, the tag and the order.
        TFleetInventory(DM()).Add(Beacon("north-4", "20240004", {"solar"}, 2));
        InFleet(rig, [](TfrmFleet &fleet) {
            QCOMPARE(fleet.edtFilter->text(), QStringLiteral("2024"));
            QCOMPARE(fleet.cbTag->currentText(), QStringLiteral("solar"));
            QCOMPARE(Shown(fleet), (QStringList{"north-1", "north-4"}));
            TFleetInventory(DM()).Remove(QStringLiteral("north-4"));
            OperatorClick(fleet.btnRefresh);
            QCOMPARE(Shown(fleet), QStringList{"north-1"});
        });
    }

    void aRowOpensItsHistoryAndItsArchive()
    {
        TRig &rig = StartFleet();
        InFleet(rig, [this, &rig](TfrmFleet &fleet) {
            // A double click opens the beacon's history.
            bool shown = false;
            WhenModalOf<TfrmHistory>(this, [&shown](TfrmHistory &history) {
                QCOMPARE(history.cbBeacon->currentText(), QStringLiteral("20240001"));
                QCOMPARE(history.Model().rowCount(), 3);
                shown = true;
                OperatorClick(history.btnClose);
            });
            const int row = int(Shown(fleet).indexOf(QStringLiteral("north-1")));
            const QRect cell = fleet.tvFleet->visualRect(fleet.tvFleet->model()->index(row, 0));
            QTest::mouseDClick(fleet.windowHandle(), Qt::LeftButton, {}, fleet.tvFleet->viewport()->mapTo(&fleet, cell.center()));
            QTRY_VERIFY(shown);

            // Without a row, or a serial number, or events, nothing opens and the operator is told why.
            fleet.tvFleet->clearSelection();
            OperatorClick(fleet.btnHistory);
            QCOMPARE(rig.messages.Texts(Kind::Error), QStringList{"Please select a Record from the List."});
            SelectRow(fleet, QStringLiteral("east-3"));
            OperatorClick(fleet.btnArchive);
            QVERIFY(rig.messages.Texts(Kind::Information).last().startsWith(
                QLatin1String("The serial number of the beacon \"east-3\" is not known yet")));
            SelectRow(fleet, QStringLiteral("south-2"));
            OperatorClick(fleet.btnArchive);
            QCOMPARE(rig.messages.Texts(Kind::Information).last(),
                     QStringLiteral("No events of the beacon \"south-2\" (20240002) have been archived yet."));
            QVERIFY(fleet.isVisible());

            // "Event Archive…" shows it on the Event Log page, which the window would cover.
            SelectRow(fleet, QStringLiteral("north-1"));
            OperatorClick(fleet.btnArchive);
            QVERIFY(!fleet.isVisible());
        });
        QCOMPARE(rig.window.TabControl->currentWidget(), rig.window.pageLog);
        QVERIFY(rig.window.lvArchive->isVisible());
        QVERIFY(rig.window.ArchiveModel);
        QCOMPARE(rig.window.ArchiveModel->Serial(), QStringLiteral("20240001"));
        QCOMPARE(rig.window.lblLogSource->text(), QStringLiteral("Archive of Beacon 20240001: 2 event(s)"));
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    TestFleetWindow test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_fleetwindow.moc"
