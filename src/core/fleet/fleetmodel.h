#pragma once
#include "fleet/due.h"
#include "fleet/inventory.h"
#include "history/register.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QSortFilterProxyModel>
#include <optional>

// One beacon of the inventory with what the register and the archive say of it.
struct TFleetRow {
    TFleetBeacon Beacon;
    QDateTime LastContact;                   // UTC; invalid when never reached
    std::optional<TActionRecord> LastConfig; // the newest recorded configuration (without its text)
    std::optional<qint64> DriftSeconds;      // at the last contact
    std::optional<double> LowestVolts;       // among the events of the newest event download
    QList<TDueItem> Due;
};

// The fleet window's table: every beacon of the inventory, read whole (a
// district's few hundred), with the due list as of the moment it was read.
// The Due column names the rules; its tip holds the items' texts.
class TFleetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        ColName, ColSite, ColSerial, ColAddress, ColTags, ColLastContact, ColLastConfig, ColDrift, ColVoltage,
        ColDue, ColumnCount
    };
    // Typed values to sort by: dates, numbers, and the number of due items.
    static constexpr int SortRole = Qt::UserRole;

    explicit TFleetModel(TDM &dm, QObject *parent = nullptr);

    // Reads the inventory, the register and the archive again.
    void Reload(const TFleetThresholds &thresholds, const QDateTime &now);
    const TFleetRow &RowAt(int row) const { return fRows.at(row); }
    // Every tag of the inventory, sorted, each once.
    QStringList Tags() const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    TDM &fDM;
    QList<TFleetRow> fRows;
};

// The rows whose texts hold the filter text (in any column or due item,
// ignoring case) and that carry the tag (any, when empty), sorted by
// TFleetModel::SortRole.
class TFleetFilter : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit TFleetFilter(QObject *parent = nullptr);

    void SetText(const QString &text);
    void SetTag(const QString &tag);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    QString fText;
    QString fTag;
};
