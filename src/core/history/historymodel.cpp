#include "history/historymodel.h"

#include <QLocale>

THistoryModel::THistoryModel(TDM &dm, QObject *parent) : TPagedTableModel(parent), fRegister(dm) {}

void THistoryModel::SetSerial(const QString &serial)
{
    Restart([&] { fSerial = serial; });
}

int THistoryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant THistoryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const TActionRecord &a = RowAt(index.row());
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

QList<TActionRecord> THistoryModel::NextPage(const TActionRecord *after, int limit) const
{
    return fRegister.Page(fSerial, after ? after->Id : 0, limit);
}
