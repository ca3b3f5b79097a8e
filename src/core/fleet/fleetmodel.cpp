#include "fleet/fleetmodel.h"

#include <QLocale>
#include <QSet>
#include <cstdlib>

namespace {
QString DateText(const QDateTime &utc)
{
    return utc.isValid() ? QLocale().toString(utc.toLocalTime(), QLocale::ShortFormat) : QString();
}

QString DueText(const QList<TDueItem> &items)
{
    QStringList texts;
    for (const TDueItem &item : items)
        texts << item.Text;
    return texts.join(u'\n');
}

// The rule words, each once, in the order of the items: "config, plan, clock".
QString DueRules(const QList<TDueItem> &items)
{
    QStringList rules;
    for (const TDueItem &item : items)
        if (!rules.contains(item.Rule))
            rules << item.Rule;
    return rules.join(QStringLiteral(", "));
}

QString DisplayText(const TFleetRow &r, int column)
{
    switch (column) {
    case TFleetModel::ColName:
        return r.Beacon.Name;
    case TFleetModel::ColSite:
        return r.Beacon.Site;
    case TFleetModel::ColSerial:
        return r.Beacon.Serial;
    case TFleetModel::ColAddress:
        return r.Beacon.Address;
    case TFleetModel::ColTags:
        return r.Beacon.Tags.join(QStringLiteral(", "));
    case TFleetModel::ColLastContact:
        return r.LastContact.isValid() ? DateText(r.LastContact) : QStringLiteral("never");
    case TFleetModel::ColLastConfig:
        return r.LastConfig ? r.LastConfig->Action + QStringLiteral(", ") +
                                  QLocale().toString(r.LastConfig->When.toLocalTime().date(), QLocale::ShortFormat)
                            : QString();
    case TFleetModel::ColDrift:
        return r.DriftSeconds ? QStringLiteral("%1%2 s").arg(*r.DriftSeconds > 0 ? "+" : "").arg(*r.DriftSeconds)
                              : QString();
    case TFleetModel::ColVoltage:
        return r.LowestVolts ? QLocale().toString(*r.LowestVolts, 'f', 2) + QStringLiteral(" V") : QString();
    case TFleetModel::ColDue:
        return DueRules(r.Due);
    }
    return {};
}

// What a column sorts by: the time, the number or the count behind its text.
QVariant SortValue(const TFleetRow &r, int column)
{
    switch (column) {
    case TFleetModel::ColLastContact:
        return r.LastContact.isValid() ? QVariant(r.LastContact) : QVariant();
    case TFleetModel::ColLastConfig:
        return r.LastConfig ? QVariant(r.LastConfig->When) : QVariant();
    case TFleetModel::ColDrift: // the largest drift either way comes last
        return r.DriftSeconds ? QVariant(qlonglong(std::llabs(*r.DriftSeconds))) : QVariant();
    case TFleetModel::ColVoltage:
        return r.LowestVolts ? QVariant(*r.LowestVolts) : QVariant();
    case TFleetModel::ColDue:
        return int(r.Due.size());
    }
    return DisplayText(r, column);
}
}

TFleetModel::TFleetModel(TDM &dm, QObject *parent) : QAbstractTableModel(parent), fDM(dm) {}

void TFleetModel::Reload(const TFleetThresholds &thresholds, const QDateTime &now)
{
    const TFleetInventory inventory(fDM);
    QList<TFleetRow> rows;
    for (const TFleetBeacon &beacon : inventory.Beacons()) {
        TFleetRow r;
        r.Beacon = beacon;
        if (!beacon.Serial.isEmpty()) {
            r.LastContact = inventory.LastReached(beacon.Serial);
            r.LastConfig = NewestRecordedConfig(fDM, beacon.Serial);
            if (const std::optional<TFleetContact> contact = inventory.LastContact(beacon.Serial))
                r.DriftSeconds = contact->DriftSeconds;
            r.LowestVolts = NewestDownloadEvents(fDM, beacon.Serial).LowestVolts;
        }
        r.Due = DueItems(fDM, beacon, thresholds, now);
        rows << r;
    }
    beginResetModel();
    fRows = rows;
    endResetModel();
}

QStringList TFleetModel::Tags() const
{
    QSet<QString> tags;
    for (const TFleetRow &r : fRows)
        for (const QString &tag : r.Beacon.Tags)
            tags.insert(tag);
    QStringList sorted(tags.begin(), tags.end());
    sorted.sort(Qt::CaseInsensitive);
    return sorted;
}

int TFleetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(fRows.size());
}

int TFleetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TFleetModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount)
        return {};
    const TFleetRow &r = fRows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return DisplayText(r, index.column());
    case SortRole:
        return SortValue(r, index.column());
    case Qt::ToolTipRole:
        return index.column() == ColDue ? DueText(r.Due) : DisplayText(r, index.column());
    }
    return {};
}

QVariant TFleetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char *const Titles[ColumnCount] = {"Name",         "Site",        "Serial Number",
                                                    "Address",      "Tags",        "Last Contact",
                                                    "Last Configuration", "Clock Drift", "Lowest Voltage",
                                                    "Due"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromLatin1(Titles[section]);
}

TFleetFilter::TFleetFilter(QObject *parent) : QSortFilterProxyModel(parent)
{
    setSortRole(TFleetModel::SortRole);
    setSortCaseSensitivity(Qt::CaseInsensitive);
    setSortLocaleAware(true);
}

void TFleetFilter::SetText(const QString &text)
{
    fText = text.trimmed();
    invalidateRowsFilter();
}

void TFleetFilter::SetTag(const QString &tag)
{
    fTag = tag;
    invalidateRowsFilter();
}

bool TFleetFilter::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    const auto *fleet = qobject_cast<const TFleetModel *>(sourceModel());
    if (!fleet || sourceParent.isValid())
        return true;
    const TFleetRow &r = fleet->RowAt(sourceRow);
    if (!fTag.isEmpty() && !r.Beacon.Tags.contains(fTag))
        return false;
    if (fText.isEmpty())
        return true;
    for (int column = 0; column < TFleetModel::ColumnCount; ++column)
        if (DisplayText(r, column).contains(fText, Qt::CaseInsensitive))
            return true;
    return DueText(r.Due).contains(fText, Qt::CaseInsensitive);
}
