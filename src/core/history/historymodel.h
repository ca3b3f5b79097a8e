#pragma once
#include "history/pagedmodel.h"
#include "history/register.h"

// The register's actions for a list view, newest first, fetched a page at a
// time as the list scrolls, so a long history opens at once.
class THistoryModel : public TPagedTableModel<TActionRecord> {
    Q_OBJECT
public:
    enum Column { ColWhen, ColSerial, ColUser, ColPort, ColAction, ColOptions, ColOutcome, ColumnCount };
    explicit THistoryModel(TDM &dm, QObject *parent = nullptr);

    // Shows one controller's actions, or every action for an empty serial.
    void SetSerial(const QString &serial);
    const QString &Serial() const { return fSerial; }
    // The action of a row (without its configuration text).
    const TActionRecord &ActionAt(int row) const { return RowAt(row); }

    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QList<TActionRecord> NextPage(const TActionRecord *after, int limit) const override;

    THistoryRegister fRegister;
    QString fSerial;
};
