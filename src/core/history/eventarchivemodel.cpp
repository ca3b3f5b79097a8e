#include "history/eventarchivemodel.h"

#include "eventlog/events.h"

TEventArchiveModel::TEventArchiveModel(TDM &dm, QObject *parent) : TPagedTableModel(parent), fArchive(dm) {}

QStringList TEventArchiveModel::Titles()
{
    return {QStringLiteral("Date/Time"), QStringLiteral("Events"), QStringLiteral("Power Supply"),
            QStringLiteral("Voltage 2"), QStringLiteral("Brightness")};
}

void TEventArchiveModel::SetSerial(const QString &serial)
{
    Restart([&] { fSerial = serial; });
}

int TEventArchiveModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(Titles().size());
}

QVariant TEventArchiveModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || role != Qt::DisplayRole)
        return {};
    const TListItem row = TEvents(RowAt(index.row()).Event).Row();
    return index.column() == 0 ? row.Caption : row.SubItems.value(index.column() - 1);
}

QVariant TEventArchiveModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount())
        return TPagedTableModel::headerData(section, orientation, role);
    return Titles().at(section);
}

QList<TArchivedEvent> TEventArchiveModel::NextPage(const TArchivedEvent *after, int limit) const
{
    if (fSerial.isEmpty())
        return {};
    return fArchive.Page(fSerial, after, limit);
}
