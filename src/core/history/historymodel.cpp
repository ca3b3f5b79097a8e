#include "history/historymodel.h"

#include <QLocale>

THistoryModel::THistoryModel(TDM &dm, QObject *parent) : QAbstractTableModel(parent), fRegister(dm) {}

void THistoryModel::SetSerial(const QString &serial)
{
    beginResetModel();
    fSerial = serial;
    fActions.clear();
    fAtEnd = false;
    endResetModel();
}

int THistoryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(fActions.size());
}

int THistoryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant THistoryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= fActions.size())
        return {};
    const TActionRecord &a = fActions.at(index.row());
    if (role == Qt::UserRole)
        return a.Id;
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    switch (index.column()) {
    case ColWhen:
        return QLocale().toString(a.When.toLocalTime(), QLocale::ShortFormat);
    case ColSerial:
        return a.Serial;
    case ColUser:
        return a.User + QStringLiteral(" (") + a.Source + u')';
    case ColPort:
        return a.Port;
    case ColAction:
        return a.HasConfig ? a.Action + QStringLiteral(" *") : a.Action;
    case ColOptions:
        return a.Options;
    case ColOutcome:
        return a.Outcome;
    }
    return {};
}

QVariant THistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char *const Titles[ColumnCount] = {"When", "Beacon", "Who", "Port", "Action", "Options", "Outcome"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromLatin1(Titles[section]);
}

bool THistoryModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && !fAtEnd;
}

void THistoryModel::fetchMore(const QModelIndex &parent)
{
    if (parent.isValid() || fAtEnd)
        return;
    const qint64 before = fActions.isEmpty() ? 0 : fActions.constLast().Id;
    const QList<TActionRecord> page = fRegister.Page(fSerial, before, PageSize);
    fAtEnd = page.size() < PageSize;
    if (page.isEmpty())
        return;
    beginInsertRows({}, int(fActions.size()), int(fActions.size() + page.size() - 1));
    fActions.append(page);
    endInsertRows();
}
