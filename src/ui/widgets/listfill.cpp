#include "widgets/listfill.h"

#include <QTreeWidget>

void FillListView(QTreeWidget *lv, const TListContent &content)
{
    lv->clear();
    QList<QTreeWidgetItem *> rows;
    rows.reserve(content.Items.size());
    for (const TListItem &item : content.Items)
        rows.append(new QTreeWidgetItem(QStringList{item.Caption} + item.SubItems));
    lv->addTopLevelItems(rows);
    if (QTreeWidgetItem *selected = lv->topLevelItem(content.Selected)) {
        lv->setCurrentItem(selected);
        selected->setSelected(true);
    }
}

int SelectedRow(const QTreeWidget *lv)
{
    const QList<QTreeWidgetItem *> selected = lv->selectedItems();
    return selected.isEmpty() ? -1 : lv->indexOfTopLevelItem(selected.first());
}

QList<TListItem> ListViewRows(const QTreeWidget *lv)
{
    QList<TListItem> rows;
    for (int i = 0; i < lv->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = lv->topLevelItem(i);
        TListItem row{item->text(0), {}};
        for (int column = 1; column < lv->columnCount(); ++column)
            row.SubItems << item->text(column);
        rows << row;
    }
    return rows;
}
