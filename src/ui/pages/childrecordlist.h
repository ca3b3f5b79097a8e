#pragma once
#include "store/listtext.h"

#include <QWidget>
#include <optional>

class QPushButton;
class QTreeWidget;

// What the schedule and calendar record lists share: the list of records with
// its buttons, the link to a library list, and the redraw after each change.
// A page is created inside its host, fills it and lives as long as the host.
// Operator actions run through RunAction, so a failed database statement is
// reported and the page carries on.
class TChildRecordList : public QWidget {
    Q_OBJECT
public:
    // The library list control to redraw after every change, set once before
    // the page is first shown. A page without one works on the beacon's copy
    // and offers loading from the library.
    void SetLibraryListLink(QTreeWidget *link);
    QTreeWidget *LibraryListLink() const { return fLibraryListLink; }

    // Redraws the page's list from its binding and, when linked, the library
    // list, so that its record counts follow.
    void ShowList();
    // Redraws the page's list alone.
    void ShowRecords();

    QPushButton *btnLoad;
    QPushButton *btnAdd;
    QPushButton *btnEdit;
    QPushButton *btnCopy = nullptr; // schedules only
    QPushButton *btnDelete;

protected:
    struct TDesign {
        QString listName;
        QStringList columns;
        QList<int> widths;
        QString loadCaption;
        bool copyButton;
    };
    TChildRecordList(QWidget *host, const TDesign &design);

    QTreeWidget *RecordList() const { return fRecordList; }
    // The selected row, which is the record's index; -1, after telling the
    // operator to select one, when no row is selected.
    int SelectedRecord() const;

    // Rows of the bound records; none while unbound.
    virtual TListContent RecordRows() const = 0;
    // Rows of the library list, keeping the given selection; none while the
    // page has not been told of the library.
    virtual std::optional<TListContent> LibraryRows(int selected) const = 0;

    virtual void btnAddClick() = 0;
    virtual void btnEditClick() = 0;
    virtual void btnCopyClick() {}
    virtual void btnDeleteClick() = 0;
    virtual void btnLoadClick() = 0;

    void showEvent(QShowEvent *event) override;

private:
    QTreeWidget *fRecordList;
    QList<int> fColumnWidths;
    QTreeWidget *fLibraryListLink = nullptr;
};
