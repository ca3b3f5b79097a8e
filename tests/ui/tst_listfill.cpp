#include "testenv.h"
#include "widgets/listfill.h"

#include <QSignalSpy>
#include <QTreeWidget>
#include <QtTest>

class TestListFill : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { InitTestEnvironment(); }

    void fillsRowsAndSelectsTheNamedRow()
    {
        QTreeWidget lv;
        lv.setColumnCount(2);
        QCOMPARE(SelectedRow(&lv), -1);
        QSignalSpy selection(&lv, &QTreeWidget::itemSelectionChanged);

        TListContent content;
        content.Items = {{QStringLiteral("A"), {QStringLiteral("0 record(s)")}},
                         {QStringLiteral("B"), {QStringLiteral("2 record(s)")}}};
        content.Selected = 1;
        FillListView(&lv, content);
        QCOMPARE(lv.topLevelItemCount(), 2);
        QCOMPARE(lv.topLevelItem(1)->text(0), QStringLiteral("B"));
        QCOMPARE(lv.topLevelItem(1)->text(1), QStringLiteral("2 record(s)"));
        QCOMPARE(SelectedRow(&lv), 1);
        QVERIFY(selection.count() > 0); // the page learns of the selection as from a click

        content.Selected = -1;
        FillListView(&lv, content);
        QCOMPARE(lv.topLevelItemCount(), 2);
        QCOMPARE(SelectedRow(&lv), -1);
    }
};

QTEST_MAIN(TestListFill)
#include "tst_listfill.moc"
