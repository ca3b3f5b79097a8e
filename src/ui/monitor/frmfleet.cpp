#include "monitor/frmfleet.h"

#include "app/frmmain.h"
#include "config/errorhandler.h"
#include "config/messages.h"
#include "config/messageservice.h"
#include "fleet/fleetmessages.h"
#include "fleet/fleetmodel.h"
#include "monitor/frmhistory.h"
#include "store/datamodule.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

TfrmFleet::TfrmFleet(TfrmMain &main)
    : QDialog(&main), fMain(main), fModel(new TFleetModel(DM(), this)), fFilter(new TFleetFilter(this))
{
    setObjectName(QStringLiteral("frmFleet"));
    setWindowTitle(QStringLiteral("Fleet"));
    setSizeGripEnabled(true);
    fFilter->setSourceModel(fModel);

    edtFilter = new QLineEdit(this);
    edtFilter->setObjectName(QStringLiteral("edtFilter"));
    edtFilter->setPlaceholderText(QStringLiteral("Name, site, serial number, due…"));
    edtFilter->setClearButtonEnabled(true);
    cbTag = new QComboBox(this);
    cbTag->setObjectName(QStringLiteral("cbTag"));
    cbTag->setSizeAdjustPolicy(QComboBox::AdjustToContents);

    tvFleet = new QTableView(this);
    tvFleet->setObjectName(QStringLiteral("tvFleet"));
    tvFleet->setModel(fFilter);
    tvFleet->setSortingEnabled(true);
    tvFleet->sortByColumn(TFleetModel::ColName, Qt::AscendingOrder);
    tvFleet->setSelectionBehavior(QAbstractItemView::SelectRows);
    tvFleet->setSelectionMode(QAbstractItemView::SingleSelection);
    tvFleet->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvFleet->verticalHeader()->hide();
    tvFleet->horizontalHeader()->setStretchLastSection(true);
    tvFleet->setWordWrap(false);

    lblCount = new QLabel(this);
    lblCount->setObjectName(QStringLiteral("lblCount"));
    lblDue = new QLabel(this);
    lblDue->setObjectName(QStringLiteral("lblDue"));
    lblDue->setWordWrap(true);
    lblDue->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblDue->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblDue->setMinimumHeight(3 * fontMetrics().lineSpacing());

    const auto button = [this](const char *name, const QString &caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    btnHistory = button("btnHistory", QStringLiteral("History…"));
    btnArchive = button("btnArchive", QStringLiteral("Event Archive…"));
    btnRefresh = button("btnRefresh", QStringLiteral("Refresh"));
    btnClose = button("btnClose", QStringLiteral("Close"));

    auto *top = new QHBoxLayout;
    auto *filterLabel = new QLabel(QStringLiteral("&Filter:"), this);
    filterLabel->setBuddy(edtFilter);
    auto *tagLabel = new QLabel(QStringLiteral("&Tag:"), this);
    tagLabel->setBuddy(cbTag);
    top->addWidget(filterLabel);
    top->addWidget(edtFilter, 1);
    top->addWidget(tagLabel);
    top->addWidget(cbTag);
    top->addWidget(lblCount);
    auto *bottom = new QHBoxLayout;
    for (QPushButton *b : {btnHistory, btnArchive, btnRefresh})
        bottom->addWidget(b);
    bottom->addStretch(1);
    bottom->addWidget(btnClose);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(tvFleet, 1);
    layout->addWidget(lblDue);
    layout->addLayout(bottom);
    resize(900, 520);

    connect(edtFilter, &QLineEdit::textChanged, this, [this](const QString &text) {
        fFilter->SetText(text);
        ShowSelected();
    });
    connect(cbTag, &QComboBox::currentIndexChanged, this, [this] {
        fFilter->SetTag(cbTag->currentData().toString());
        ShowSelected();
    });
    connect(tvFleet->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { ShowSelected(); });
    connect(tvFleet, &QAbstractItemView::doubleClicked, this, [this] { RunAction([this] { btnHistoryClick(); }); });
    connect(btnHistory, &QPushButton::clicked, this, [this] { RunAction([this] { btnHistoryClick(); }); });
    connect(btnArchive, &QPushButton::clicked, this, [this] { RunAction([this] { btnArchiveClick(); }); });
    connect(btnRefresh, &QPushButton::clicked, this, [this] { RunAction([this] { Reload(); }); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
}

void TfrmFleet::Reload()
{
    fModel->Reload(TFleetThresholds::Load(), QDateTime::currentDateTimeUtc());
    FillTags();
    tvFleet->resizeColumnsToContents();
    if (!fSized) { // first shown wide enough for every column, as the screen allows
        fSized = true;
        int width = 2 * tvFleet->frameWidth() + tvFleet->verticalScrollBar()->sizeHint().width();
        for (int column = 0; column < TFleetModel::ColumnCount; ++column)
            width += tvFleet->columnWidth(column);
        const QMargins margins = layout()->contentsMargins();
        width += margins.left() + margins.right();
        resize(qBound(this->width(), width, screen()->availableGeometry().width() * 9 / 10), height());
    }
    ShowSelected();
}

void TfrmFleet::FillTags()
{
    const QString chosen = cbTag->currentData().toString();
    const QSignalBlocker quiet(cbTag);
    cbTag->clear();
    cbTag->addItem(QString::fromUtf8(Msg::FleetAllTags), QString());
    for (const QString &tag : fModel->Tags())
        cbTag->addItem(tag, tag);
    // A tag no beacon carries any longer shows every beacon.
    cbTag->setCurrentIndex(qMax(0, cbTag->findData(chosen)));
    fFilter->SetTag(cbTag->currentData().toString());
}

void TfrmFleet::ShowSelected()
{
    lblCount->setText(Fmt(Msg::FleetShown, fFilter->rowCount(), fModel->rowCount()));
    const QModelIndexList rows = tvFleet->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        lblDue->clear();
        return;
    }
    const TFleetRow &r = fModel->RowAt(fFilter->mapToSource(rows.first()).row());
    QStringList lines;
    for (const TDueItem &item : r.Due)
        lines << item.Rule + QStringLiteral(": ") + item.Text;
    lblDue->setText(lines.isEmpty() ? Fmt(Msg::FleetNothingDue, r.Beacon.Name)
                                    : Fmt(Msg::FleetDue, r.Beacon.Name, lines.join(u'\n')));
}

const TFleetRow *TfrmFleet::SelectedRow() const
{
    const QModelIndexList rows = tvFleet->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        Messages().Error(QString::fromUtf8(Msg::SelectRecord));
        return nullptr;
    }
    return &fModel->RowAt(fFilter->mapToSource(rows.first()).row());
}

QString TfrmFleet::SelectedSerial() const
{
    const TFleetRow *r = SelectedRow();
    if (!r)
        return {};
    if (r->Beacon.Serial.isEmpty())
        Messages().Information(Fmt(Msg::FleetNoSerial, r->Beacon.Name));
    return r->Beacon.Serial;
}

void TfrmFleet::btnHistoryClick()
{
    const QString serial = SelectedSerial();
    if (serial.isEmpty())
        return;
    TfrmHistory history(fMain, serial);
    history.exec();
}

void TfrmFleet::btnArchiveClick()
{
    const QString serial = SelectedSerial();
    if (serial.isEmpty())
        return;
    // The archive is shown on the Event Log page, which this window would cover.
    if (fMain.ShowArchive(serial))
        accept();
    else
        Messages().Information(Fmt(Msg::FleetNoEvents, SelectedRow()->Beacon.Name, serial));
}
