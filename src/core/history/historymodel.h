#pragma once
#include "history/register.h"

#include <QAbstractTableModel>

// The register's actions for a list view, newest first, fetched a page at a
// time as the list scrolls, so a long history opens at once.
class THistoryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColWhen, ColSerial, ColUser, ColPort, ColAction, ColOptions, ColOutcome, ColumnCount };
    static constexpr int PageSize = 500;

    explicit THistoryModel(TDM &dm, QObject *parent = nullptr);

    // Shows one controller's actions, or every action for an empty serial.
    void SetSerial(const QString &serial);
    const QString &Serial() const { return fSerial; }
    // The action of a row (without its configuration text).
    const TActionRecord &ActionAt(int row) const { return fActions.at(row); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

private:
    THistoryRegister fRegister;
    QString fSerial;
    QList<TActionRecord> fActions;
    bool fAtEnd = false;
};
