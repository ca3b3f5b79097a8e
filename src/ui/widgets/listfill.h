#pragma once
#include "store/listtext.h"

class QTreeWidget;

// Replaces a list view's rows by the texts the core computed and selects the
// row it names (-1: none). Selecting raises the view's usual selection signals.
void FillListView(QTreeWidget *lv, const TListContent &content);
// The view's rows in list order, every column's text (hidden ones too): the
// inverse of FillListView.
QList<TListItem> ListViewRows(const QTreeWidget *lv);
// The selected row's index, -1 when none is selected.
int SelectedRow(const QTreeWidget *lv);
