#pragma once
#include <QList>
#include <QString>
#include <QStringList>

class QPushButton;
class QTreeView;
class QTreeWidget;
class QWidget;

// Building blocks shared by the configuration pages and their dialogs.

// A read-only report list: grid lines, whole-row selection, the given column
// widths (a width of 0 hides its column), the last column taking the rest
// unless told otherwise.
QTreeWidget *NewReportList(const QString &name, const QStringList &headers, const QList<int> &widths,
                           QWidget *parent, bool stretchLast = true);
// The same list for a model's rows, read as it scrolls; the columns are
// sized once the model is set.
QTreeView *NewReportView(const QString &name, QWidget *parent, bool stretchLast = true);
// Widens the columns whose texts need more room than their given widths.
void FitColumns(QTreeWidget *list, const QList<int> &widths);
// A page button with an icon (a picture name), at least 152 x 41 pixels.
QPushButton *NewPageButton(const QString &name, const QString &caption, const QString &icon, QWidget *parent);
// Moves a window to the centre of the screen it is on.
void CentreOnScreen(QWidget *window);
