#include "monitor/frmhistory.h"

#include "app/frmmain.h"
#include "app/settingsfiledialog.h"
#include "config/errorhandler.h"
#include "config/messages.h"
#include "config/messageservice.h"
#include "history/historymodel.h"
#include "history/recordedconfig.h"
#include "pages/childadvanced.h"
#include "pages/childcalendarlist.h"
#include "pages/childschedulelist.h"
#include "store/datamodule.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableView>
#include <QVBoxLayout>

TfrmHistory::TfrmHistory(TfrmMain &main, const QString &serial)
    : QDialog(&main), fMain(main), fModel(new THistoryModel(DM(), this))
{
    setObjectName(QStringLiteral("frmHistory"));
    setWindowTitle(QStringLiteral("Beacon History"));
    setSizeGripEnabled(true);

    cbBeacon = new QComboBox(this);
    cbBeacon->setObjectName(QStringLiteral("cbBeacon"));
    cbBeacon->addItem(QString::fromUtf8(Msg::HistoryAllBeacons), QString());
    QStringList serials = THistoryRegister(DM()).Controllers();
    if (!serial.isEmpty() && !serials.contains(serial))
        serials.prepend(serial);
    for (const QString &s : std::as_const(serials))
        cbBeacon->addItem(s, s);
    cbBeacon->setCurrentIndex(qMax(0, cbBeacon->findData(serial)));

    tvActions = new QTableView(this);
    tvActions->setObjectName(QStringLiteral("tvActions"));
    tvActions->setModel(fModel);
    tvActions->setSelectionBehavior(QAbstractItemView::SelectRows);
    tvActions->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tvActions->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvActions->verticalHeader()->hide();
    tvActions->horizontalHeader()->setStretchLastSection(true);
    tvActions->setWordWrap(false);

    const auto button = [this](const char *name, const QString &caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    btnOpen = button("btnOpen", QStringLiteral("Open in Beacon Pages"));
    btnSave = button("btnSave", QStringLiteral("Save to File"));
    btnCompare = button("btnCompare", QStringLiteral("Compare"));
    btnClose = button("btnClose", QStringLiteral("Close"));

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Beacon:"), this));
    top->addWidget(cbBeacon, 1);
    auto *bottom = new QHBoxLayout;
    for (QPushButton *b : {btnOpen, btnSave, btnCompare})
        bottom->addWidget(b);
    bottom->addStretch(1);
    bottom->addWidget(btnClose);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(tvActions, 1);
    layout->addLayout(bottom);
    resize(900, 480);

    const auto show = [this] {
        fModel->SetSerial(cbBeacon->currentData().toString());
        // The first page now, not when the view next lays out: the columns
        // fit its rows, and the list is there the moment the window is.
        if (fModel->canFetchMore({}))
            fModel->fetchMore({});
        tvActions->resizeColumnsToContents();
    };
    connect(cbBeacon, &QComboBox::currentIndexChanged, this, [show] { RunAction(show); });
    connect(btnOpen, &QPushButton::clicked, this, [this] { RunAction([this] { btnOpenClick(); }); });
    connect(btnSave, &QPushButton::clicked, this, [this] { RunAction([this] { btnSaveClick(); }); });
    connect(btnCompare, &QPushButton::clicked, this, [this] { RunAction([this] { btnCompareClick(); }); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
    RunAction(show);
}

QList<qint64> TfrmHistory::SelectedIds() const
{
    QList<qint64> ids;
    for (const QModelIndex &row : tvActions->selectionModel()->selectedRows())
        ids << fModel->ActionAt(row.row()).Id;
    std::sort(ids.begin(), ids.end());
    return ids;
}

qint64 TfrmHistory::SelectedId() const
{
    const QList<qint64> ids = SelectedIds();
    if (ids.size() == 1)
        return ids.first();
    Messages().Error(QString::fromUtf8(Msg::SelectRecord));
    return 0;
}

void TfrmHistory::btnOpenClick()
{
    const qint64 id = SelectedId();
    if (id == 0)
        return;
    const TRecordedConfig recorded(THistoryRegister(DM()), id);
    const TActionRecord &action = recorded.Action();
    if (!Messages().Confirm(Fmt(Msg::HistoryOpenConfirm, QLocale().toString(action.When.toLocalTime(),
                                                                             QLocale::ShortFormat),
                                action.Serial, id)))
        return;
    // Whatever happened, the pages show what memory now holds.
    const auto redraw = qScopeGuard([this] {
        fMain.BeaconScheduleRecords->ShowRecords();
        fMain.BeaconCalendarRecords->ShowRecords();
    });
    fMain.AdvancedSettingsPage->Change([&](TAdvancedSettings &settings) { recorded.Load(settings); });
}

void TfrmHistory::btnSaveClick()
{
    const qint64 id = SelectedId();
    if (id == 0)
        return;
    const TRecordedConfig recorded(THistoryRegister(DM()), id);
    const QString fileName =
        Messages().SaveFileName(QStringLiteral("Save As"), TSettingsFileDialog::FileFilter(),
                                TSettingsFileDialog::FileExtension(),
                                QStringLiteral("%1-%2.bcfg").arg(recorded.Action().Serial).arg(id));
    if (!fileName.isEmpty())
        recorded.SaveAs(fileName);
}

void TfrmHistory::btnCompareClick()
{
    const QList<qint64> ids = SelectedIds();
    if (ids.size() != 2) {
        Messages().Error(QString::fromUtf8(Msg::HistoryCompareTwo));
        return;
    }
    const THistoryRegister reg(DM());
    const TRecordedConfig first(reg, ids.at(0));
    const TRecordedConfig second(reg, ids.at(1));
    QStringList lines;
    for (const TConfigDifference &difference : CompareRecorded(first, second))
        lines << RecordedDifferenceText(difference, ids.at(0), ids.at(1));
    if (lines.isEmpty())
        Messages().Information(Fmt(Msg::HistoryCompareSame, ids.at(0), ids.at(1)));
    else
        Messages().Warning(Fmt(Msg::HistoryCompareDiffers, ids.at(0), ids.at(1), lines.join(u'\n')));
}
