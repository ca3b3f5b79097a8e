#include "pages/childrecordlist.h"

#include "config/errorhandler.h"
#include "config/messages.h"
#include "config/messageservice.h"
#include "pages/pagewidgets.h"
#include "widgets/listfill.h"

#include <QHBoxLayout>
#include <QLayout>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

TChildRecordList::TChildRecordList(QWidget *host, const TDesign &design)
    : QWidget(host), fColumnWidths(design.widths)
{
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    fRecordList = NewReportList(design.listName, design.columns, design.widths, this);
    btnLoad = NewPageButton(QStringLiteral("btnLoad"), design.loadCaption, QStringLiteral("btn-load"), this);
    btnAdd = NewPageButton(QStringLiteral("btnAdd"), QStringLiteral("Add Record"), QStringLiteral("btn-add"), this);
    btnEdit = NewPageButton(QStringLiteral("btnEdit"), QStringLiteral("Edit Record"), QStringLiteral("btn-edit"), this);
    if (design.copyButton)
        btnCopy = NewPageButton(QStringLiteral("btnCopy"), QStringLiteral("Copy Record"), QStringLiteral("btn-copy"),
                                this);
    btnDelete = NewPageButton(QStringLiteral("btnDelete"), QStringLiteral("Delete Record"),
                              QStringLiteral("btn-delete"), this);
    btnLoad->setEnabled(false); // until the page is told of an open library

    auto *buttons = new QVBoxLayout;
    buttons->setSpacing(4);
    for (QPushButton *button : {btnLoad, btnAdd, btnEdit, btnCopy, btnDelete})
        if (button)
            buttons->addWidget(button);
    buttons->addStretch(1);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(fRecordList, 1);
    layout->addLayout(buttons);

    // The page fills its host.
    if (!host->layout()) {
        auto *hostLayout = new QVBoxLayout(host);
        hostLayout->setContentsMargins(0, 0, 0, 0);
    }
    host->layout()->addWidget(this);

    connect(btnAdd, &QPushButton::clicked, this, [this] { RunAction([this] { btnAddClick(); }); });
    connect(btnEdit, &QPushButton::clicked, this, [this] { RunAction([this] { btnEditClick(); }); });
    if (btnCopy)
        connect(btnCopy, &QPushButton::clicked, this, [this] { RunAction([this] { btnCopyClick(); }); });
    connect(btnDelete, &QPushButton::clicked, this, [this] { RunAction([this] { btnDeleteClick(); }); });
    connect(btnLoad, &QPushButton::clicked, this, [this] { RunAction([this] { btnLoadClick(); }); });
    connect(fRecordList, &QTreeWidget::itemDoubleClicked, this, [this] { RunAction([this] { btnEditClick(); }); });
}

void TChildRecordList::SetLibraryListLink(QTreeWidget *link)
{
    fLibraryListLink = link;
}

void TChildRecordList::ShowList()
{
    ShowRecords();
    if (!fLibraryListLink)
        return;
    if (const std::optional<TListContent> rows = LibraryRows(SelectedRow(fLibraryListLink)))
        FillListView(fLibraryListLink, *rows);
}

void TChildRecordList::ShowRecords()
{
    FillListView(fRecordList, RecordRows());
    FitColumns(fRecordList, fColumnWidths);
}

int TChildRecordList::SelectedRecord() const
{
    const int row = SelectedRow(fRecordList);
    if (row < 0)
        Messages().Error(QString::fromUtf8(Msg::SelectRecord));
    return row;
}

void TChildRecordList::showEvent(QShowEvent *event)
{
    // FormShow: loading from the library belongs to the beacon's copy only.
    btnLoad->setVisible(!fLibraryListLink);
    QWidget::showEvent(event);
}
