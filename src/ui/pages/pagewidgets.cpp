#include "pages/pagewidgets.h"

#include "widgets/pictures.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>

// The two button pictures that only the record lists use. Outside any
// namespace, as the resource macro requires; the static library would not pull
// their registration in otherwise.
static void RegisterPagePictures()
{
    Q_INIT_RESOURCE(pagepictures);
}

namespace {
void ArrangeReportList(QTreeView *list, const QString &name, const QList<int> &widths, bool stretchLast)
{
    list->setObjectName(name);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setAllColumnsShowFocus(true);
    list->header()->setStretchLastSection(stretchLast);
    list->header()->setSectionsMovable(false);
    // Styling the items takes over their selected look too, so it is named;
    // the selected row stays readable and highlighted while the list has no focus.
    list->setStyleSheet(QStringLiteral("QTreeView::item { border-right: 1px solid #d4d4d4;"
                                       " border-bottom: 1px solid #d4d4d4; }"
                                       "QTreeView::item:selected { background: palette(highlight);"
                                       " color: palette(highlighted-text); }"));
    for (int column = 0; column < widths.size(); ++column) {
        list->setColumnWidth(column, widths.at(column));
        list->setColumnHidden(column, widths.at(column) == 0);
    }
}
}

QTreeWidget *NewReportList(const QString &name, const QStringList &headers, const QList<int> &widths,
                           QWidget *parent, bool stretchLast)
{
    auto *list = new QTreeWidget(parent);
    list->setHeaderLabels(headers);
    ArrangeReportList(list, name, widths, stretchLast);
    return list;
}

QTreeView *NewReportView(const QString &name, QWidget *parent, bool stretchLast)
{
    auto *list = new QTreeView(parent);
    ArrangeReportList(list, name, {}, stretchLast);
    return list;
}

void FitColumns(QTreeWidget *list, const QList<int> &widths)
{
    for (int column = 0; column < widths.size(); ++column) {
        const int needed = qMax(static_cast<const QAbstractItemView *>(list)->sizeHintForColumn(column),
                                list->header()->sectionSizeHint(column));
        list->setColumnWidth(column, qMax(widths.at(column), needed));
    }
}

QPushButton *NewPageButton(const QString &name, const QString &caption, const QString &icon, QWidget *parent)
{
    static const bool registered = (RegisterPagePictures(), true);
    Q_UNUSED(registered);
    auto *button = new QPushButton(Icon(icon), caption, parent);
    button->setObjectName(name);
    button->setIconSize(QSize(24, 24));
    button->setMinimumSize(QSize(152, 41).expandedTo(button->minimumSizeHint()));
    button->setStyleSheet(QStringLiteral("QPushButton { text-align: left; padding-left: 10px; }"));
    return button;
}

void CentreOnScreen(QWidget *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (screen)
        window->move(screen->availableGeometry().center() - window->rect().center());
}
