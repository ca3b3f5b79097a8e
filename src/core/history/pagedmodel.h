#pragma once
#include <QAbstractTableModel>
#include <QList>

// A table model for a list view whose rows are read a page at a time as the
// list scrolls, so a long table opens at once. Each page starts after the last
// row held (by key, not by position), so rows added meanwhile neither repeat
// nor shift the pages.
template <typename Row>
class TPagedTableModel : public QAbstractTableModel {
public:
    static constexpr int PageSize = 500;

    using QAbstractTableModel::QAbstractTableModel;

    const Row &RowAt(int row) const { return fRows.at(row); }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(fRows.size());
    }
    bool canFetchMore(const QModelIndex &parent) const override { return !parent.isValid() && !fAtEnd; }
    void fetchMore(const QModelIndex &parent) override
    {
        if (parent.isValid() || fAtEnd)
            return;
        const QList<Row> page = NextPage(fRows.isEmpty() ? nullptr : &fRows.constLast(), PageSize);
        fAtEnd = page.size() < PageSize;
        if (page.isEmpty())
            return;
        beginInsertRows({}, int(fRows.size()), int(fRows.size() + page.size() - 1));
        fRows.append(page);
        endInsertRows();
    }

protected:
    // Up to limit rows that follow after (nullptr: from the first row).
    virtual QList<Row> NextPage(const Row *after, int limit) const = 0;

    // Empties the list, to be read again from the first row once change has
    // altered what NextPage reads.
    template <typename Change>
    void Restart(Change change)
    {
        beginResetModel();
        change();
        fRows.clear();
        fAtEnd = false;
        endResetModel();
    }

private:
    QList<Row> fRows;
    bool fAtEnd = false;
};
