#pragma once
#include <QList>
#include <QString>
#include <QStringList>

// The rows of a list view as the core computes them; a thin UI function puts
// them into the control, so the texts and the selection rule stay testable
// without widgets.
struct TListItem {
    QString Caption;
    QStringList SubItems;
};

struct TListContent {
    QList<TListItem> Items;
    int Selected = -1; // row to select after filling; -1 selects nothing
};

// Selection rule of the library lists: the row selected before (noted, -1 for
// none) stays selected while it still exists; a row beyond the end falls back
// to the first; an empty list selects nothing.
int LibrarySelection(int noted, int count);
