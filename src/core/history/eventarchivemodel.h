#pragma once
#include "history/eventarchive.h"
#include "history/pagedmodel.h"

#include <QStringList>

// One controller's archived events for the Event Log page's list, newest
// first, fetched a page at a time as the list scrolls, in the columns and
// texts of the list a download fills.
class TEventArchiveModel : public TPagedTableModel<TArchivedEvent> {
    Q_OBJECT
public:
    explicit TEventArchiveModel(TDM &dm, QObject *parent = nullptr);

    // The Event Log list's column titles.
    static QStringList Titles();

    // Shows the controller's events; an empty serial shows none.
    void SetSerial(const QString &serial);
    const QString &Serial() const { return fSerial; }

    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QList<TArchivedEvent> NextPage(const TArchivedEvent *after, int limit) const override;

    TEventArchive fArchive;
    QString fSerial;
};
