#pragma once
// The program's windows and data modules in their start-up order, with a
// simulated controller on a pseudo-terminal, for tests that work the main
// window as an operator would: clicks go through the window system, so a
// modal window blocks them as it blocks the operator.
#include "app/frmmain.h"
#include "app/frmportsearch.h"
#include "config/appconfig.h"
#include "link/dmcom.h"
#include "link/portlist.h"
#include "monitor/fprogbar.h"
#include "monitor/frmcomprogress.h"
#include "monitor/frmrealtime.h"
#include "monitor/transferdialogs.h"
#include "pages/frmcalendarrec.h"
#include "pages/frmitemselect.h"
#include "pages/frmschedulerec.h"
#include "protocol/beaconprotocol.h"
#include "sim/beaconsimulator.h"
#include "store/datamodule.h"
#include "store/device.h"
#include "store/librarydb.h"
#include "testmessageservice.h"
#include "widgets/navbutton.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>
#include <functional>
#include <memory>
#include <optional>

namespace MonitorRig {
// The poller and the status tick run once a second; the machine may be busy.
constexpr int kIdentityWaitMs = 15000;
constexpr int kSequenceWaitMs = 60000;

const QString kQuestion = QStringLiteral("Beacon system is now connected. Downloading settings from connected system "
                                         "is recommended. Would you like to proceed?");
const QString kLost = QStringLiteral("The connection to the Beacons was lost. Please try to re-connect.");

struct TRig {
    explicit TRig(const QString &dbName, const QString &portName)
    {
        config.SetDBName(dbName);
        config.SetPortName(portName);
    }

    TTestMessageService messages;
    TAppConfig config;
    TfrmMain window;
    TDM dm;
    TfrmCalendarRec calendarRec;
    TfrmScheduleRec scheduleRec;
    TdmCOM link;
    TfrmPortSearch search;
    TfrmItemSelect itemSelect;
    TfrmComProgress comProgress;
    TfrmRealTime realTime;
    TfDownloadSettings downloadSettings{window};
    TfULoadSettings uploadSettings{window};
    TfProgBar progBar;
};

// A click of the left button at pos in w (its middle by default), delivered
// to its window as the operator's click would be.
inline void OperatorClick(QWidget *w, std::optional<QPoint> pos = std::nullopt)
{
    QWidget *top = w->window();
    QVERIFY(top->windowHandle());
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, {}, w->mapTo(top, pos.value_or(w->rect().center())));
}

// A check box is clicked on its box, whatever the width of its caption.
inline void OperatorToggle(QCheckBox *box)
{
    OperatorClick(box, QPoint(8, box->height() / 2));
}

// Selects a row of a list view with a click on it.
inline void OperatorSelectRow(QTreeWidget *lv, int row)
{
    QTreeWidgetItem *item = lv->topLevelItem(row);
    QVERIFY(item);
    OperatorClick(lv->viewport(), lv->visualItemRect(item).center());
    QCOMPARE(lv->currentItem(), item);
}

// Picks the entry of a drop-down list with the arrow keys, as on the closed list.
inline void OperatorPick(QComboBox *list, int index)
{
    while (list->currentIndex() < index)
        QTest::keyClick(list, Qt::Key_Down);
    while (list->currentIndex() > index)
        QTest::keyClick(list, Qt::Key_Up);
    QCOMPARE(list->currentIndex(), index);
}

// Runs action once, as soon as w is the active modal window: from inside its
// exec(), as the operator would work in it.
inline void WhenModal(QWidget *w, const std::function<void()> &action)
{
    auto *timer = new QTimer(w);
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, w, [timer, w, action] {
        if (QApplication::activeModalWidget() != w || !w->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        action();
    });
    timer->start();
}

// Runs action once, as soon as a modal window of type T is active; for a
// window made by the handler of a click.
template <typename T>
void WhenModalOf(QObject *owner, const std::function<void(T &)> &action)
{
    auto *timer = new QTimer(owner);
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, owner, [timer, action] {
        auto *w = qobject_cast<T *>(QApplication::activeModalWidget());
        if (!w || !w->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        action(*w);
    });
    timer->start();
}

// Calls probe every 20 ms until it returns true or the owner goes; for
// watching a window while a sequence runs.
inline QTimer *Watch(QObject *owner, const std::function<bool()> &probe)
{
    auto *timer = new QTimer(owner);
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, owner, [timer, probe] {
        if (probe())
            timer->stop();
    });
    timer->start();
    return timer;
}

// Command codes of the frames the controller received, in order.
inline QStringList Commands(const TBeaconSimulator &sim)
{
    QStringList codes;
    for (const QByteArray &frame : sim.Received())
        codes << QString::fromLatin1(frame.mid(1, 2));
    return codes;
}

inline TBeaconController Controller(TBeaconSimulator &sim)
{
    std::optional<TBeaconController> copy;
    sim.WithController([&](TBeaconController &c) { copy = c; });
    return *copy;
}

// The rows of a list view: caption and sub-items of each row, in order.
inline QList<QStringList> Rows(const QTreeWidget *lv)
{
    QList<QStringList> rows;
    for (int i = 0; i < lv->topLevelItemCount(); ++i) {
        QStringList texts;
        for (int column = 0; column < lv->columnCount(); ++column)
            texts << lv->topLevelItem(i)->text(column);
        rows << texts;
    }
    return rows;
}

inline QList<QStringList> Rows(const TListContent &content)
{
    QList<QStringList> rows;
    for (const TListItem &item : content.Items)
        rows << QStringList{item.Caption} + item.SubItems;
    return rows;
}

// Memory as at program start, so each test begins alike.
inline void ResetBeaconMemory()
{
    BeaconSettings = {};
    BeaconStatus = {};
    DeviceSchedule().Clear();
    DeviceCalendar().Clear();
}

// A test class's rig: a library database, the port remembered, the main
// window shown.
class TRigHolder {
protected:
    QTemporaryDir fDir;
    std::unique_ptr<TRig> fRig;

    TRig &StartRig(const QString &port)
    {
        const QString db = fDir.filePath(QStringLiteral("pvbcs.db"));
        QFile::remove(db);
        CreateLibraryDatabase(db);
        fRig = std::make_unique<TRig>(db, port);
        fRig->window.show();
        if (!QTest::qWaitForWindowExposed(&fRig->window))
            qFatal("the main window was not shown");
        return *fRig;
    }

    // Switches on; the offer to download is answered as given, and when
    // accepted the download dialog's button is pressed with its boxes as they are.
    void Connect(bool download)
    {
        TRig &rig = *fRig;
        rig.messages.confirmAnswers << download;
        if (download)
            WhenModal(&rig.downloadSettings, [&rig] { OperatorClick(rig.downloadSettings.btnDownloadFrom); });
        OperatorClick(rig.window.imgPortSwitch);
        QVERIFY(rig.window.SwitchedOn());
    }

    // The controller has said who it is and the status tick has enabled the
    // buttons that need it.
    void WaitForIdentity()
    {
        QTRY_VERIFY_WITH_TIMEOUT(!dmCOM().SignSerial().isEmpty(), kIdentityWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(fRig->window.btnRealTime->isEnabled() && fRig->window.btnUploadTo->isEnabled(),
                                 kIdentityWaitMs);
    }

    // The page of a navigation button, brought forward by the operator.
    void ShowPage(QWidget *navButton, QWidget *page)
    {
        OperatorClick(navButton);
        QCOMPARE(fRig->window.TabControl->currentWidget(), page);
    }

    static void ClearVirtualPorts() { QDir(VirtualPortFolder()).removeRecursively(); }
};
}
