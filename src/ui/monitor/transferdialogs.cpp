#include "monitor/transferdialogs.h"

#include "app/frmmain.h"
#include "config/errorhandler.h"
#include "config/exceptions.h"
#include "config/messageservice.h"
#include "monitor/frmcomprogress.h"
#include "pages/childadvanced.h"
#include "pages/childcalendarlist.h"
#include "pages/childschedulelist.h"
#include "plan/plan.h"
#include "protocol/beaconprotocol.h"
#include "history/configcompare.h"
#include "history/recorder.h"
#include "transfer/settingsfile.h"
#include "transfer/workflows.h"
#include "widgets/pictures.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QStyle>
#include <QVBoxLayout>

namespace {
const QString kWarning = QStringLiteral(
    "If Advanced Settings is checked, critical settings such as master/slave, channel, etc. will be overwritten!");
}

TfTransferSettings::TfTransferSettings(TfrmMain &main, const TDesign &design) : QDialog(&main), fMain(main)
{
    setObjectName(QString::fromLatin1(design.name));
    setWindowTitle(design.title);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);

    gbParameters = new QGroupBox(design.groupCaption, this);
    gbParameters->setObjectName(QStringLiteral("gbParameters"));
    auto box = [this](const char *name, const QString &caption) {
        auto *check = new QCheckBox(caption, gbParameters);
        check->setObjectName(QString::fromLatin1(name));
        check->setChecked(true);
        return check;
    };
    // A doubled ampersand shows one and gives no mnemonic.
    cbSchedule = box("cbSchedule", QStringLiteral("Schedule"));
    cbHolidays = box("cbHolidays", QStringLiteral("Holidays && Exceptions"));
    cbAdvanced = box("cbAdvanced", QStringLiteral("Advanced Settings"));

    auto *warningIcon = new QLabel(gbParameters);
    warningIcon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    warningIcon->setAlignment(Qt::AlignTop);
    auto *warning = new QLabel(kWarning, gbParameters);
    warning->setTextFormat(Qt::PlainText);
    warning->setWordWrap(true);
    auto *warningRow = new QHBoxLayout;
    warningRow->setSpacing(8);
    warningRow->addWidget(warningIcon);
    warningRow->addWidget(warning, 1);

    auto *group = new QVBoxLayout(gbParameters);
    group->setSpacing(6);
    group->addWidget(cbSchedule);
    group->addWidget(cbHolidays);
    group->addWidget(cbAdvanced);
    group->addSpacing(4);
    group->addLayout(warningRow);

    fButton = new QPushButton(Icon(design.buttonIcon), design.buttonCaption, this);
    fButton->setObjectName(QString::fromLatin1(design.buttonName));
    fButton->setIconSize(QSize(24, 24));
    fButton->setMinimumSize(QSize(140, 40).expandedTo(fButton->minimumSizeHint()));
    fButton->setAutoDefault(false);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(10);
    layout->addWidget(gbParameters);
    layout->addWidget(fButton, 0, Qt::AlignRight);
    warning->setMinimumWidth(260);
    setFixedSize(sizeHint());
}

void TfTransferSettings::reject()
{
    if (!fRunning)
        QDialog::reject();
}

void TfTransferSettings::RunSequence(const std::function<void(TfrmComProgress &)> &sequence,
                                     const std::function<void()> &afterwards)
{
    TfrmComProgress &progress = TfrmComProgress::Instance();
    fButton->setEnabled(false);
    fRunning = true;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const auto done = qScopeGuard([this, &progress] {
        progress.close();
        QGuiApplication::restoreOverrideCursor();
        fButton->setEnabled(true);
        fRunning = false;
        close();
    });
    progress.ShowOver(this);
    try {
        sequence(progress);
    } catch (...) {
        Messages().Error(ExceptionText(std::current_exception()));
    }
    if (afterwards)
        afterwards();
}

TfULoadSettings::TfULoadSettings(TfrmMain &main)
    : TfTransferSettings(main, {"fULoadSettings", QStringLiteral("Upload to Beacon"),
                                QStringLiteral("  Select parameters for uploading:  "), "btnUploadTo",
                                QStringLiteral("Upload to Beacon"), QStringLiteral("btn-upload")})
{
    btnUploadTo = fButton;
    cbVerify = new QCheckBox(QStringLiteral("Verify after Upload"), gbParameters);
    cbVerify->setObjectName(QStringLiteral("cbVerify"));
    cbVerify->setChecked(true);
    static_cast<QVBoxLayout *>(gbParameters->layout())->insertWidget(3, cbVerify);
    lbPlanWarnings = new QListWidget(this);
    lbPlanWarnings->setObjectName(QStringLiteral("lbPlanWarnings"));
    lbPlanWarnings->setWordWrap(true);
    lbPlanWarnings->setFixedHeight(110);
    auto *dialogLayout = static_cast<QVBoxLayout *>(layout());
    dialogLayout->insertWidget(1, new QLabel(QStringLiteral("The plan of the coming year:"), this));
    dialogLayout->insertWidget(2, lbPlanWarnings);
    // The size the base fixed has no room for the fourth box: the layout
    // fixes it anew when it is first laid out.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    connect(btnUploadTo, &QPushButton::clicked, this, [this] { RunAction([this] { btnUploadToClick(); }); });
}

void TfULoadSettings::showEvent(QShowEvent *event)
{
    const QDate today = QDate::currentDate();
    const TPlan plan = MakePlan(fMain.PageConfiguration(), today, today.addDays(364), today);
    lbPlanWarnings->clear();
    for (const TPlanWarning &w : plan.warnings)
        lbPlanWarnings->addItem(QLocale().toString(w.date, QLocale::ShortFormat) + QStringLiteral(": ") + w.text);
    if (plan.warnings.isEmpty())
        lbPlanWarnings->addItem(QStringLiteral("No warnings: the schedule and calendar combine without doubt."));
    TfTransferSettings::showEvent(event);
}

void TfULoadSettings::btnUploadToClick()
{
    const bool advanced = cbAdvanced->isChecked(), clock = fMain.cbSyncRTC->isChecked(),
               schedule = cbSchedule->isChecked(), holidays = cbHolidays->isChecked(), verify = cbVerify->isChecked();
    TRecordedAction record(IdentifiedController(), THistoryRegister::Upload,
                           TransferOptions(schedule, holidays, advanced, clock, verify));
    RunSequence(
        [&](TfrmComProgress &log) {
            BeaconSettings.CommMode = 2;
            fMain.AdvancedSettingsPage->SetSettings();
            record.KeepConfig(
                [&] { return SettingsFileText({schedule, holidays, advanced}, fMain.AdvancedSettingsPage->Settings()); });
            record.Run([&] {
                UploadToBeacon(log, advanced, clock, schedule, holidays);
                if (verify)
                    VerifyUpload(log, advanced, schedule, holidays);
            });
        },
        nullptr);
}

TfDownloadSettings::TfDownloadSettings(TfrmMain &main)
    : TfTransferSettings(main, {"fDownloadSettings", QStringLiteral("Download Settings"),
                                QStringLiteral("  Select parameters for downloading:  "), "btnDownloadFrom",
                                QStringLiteral("Download from Beacon"), QStringLiteral("btn-download")})
{
    btnDownloadFrom = fButton;
    connect(btnDownloadFrom, &QPushButton::clicked, this, [this] { RunAction([this] { btnDownloadFromClick(); }); });
}

void TfDownloadSettings::btnDownloadFromClick()
{
    const TConfigParts parts{cbSchedule->isChecked(), cbHolidays->isChecked(), cbAdvanced->isChecked()};
    TRecordedAction record(IdentifiedController(), THistoryRegister::Download,
                           TransferOptions(parts.Schedule, parts.Holidays, parts.Advanced));
    bool read = false;
    RunSequence(
        [&](TfrmComProgress &log) {
            record.Run([&] { DownloadFromBeacon(log, parts.Schedule, parts.Holidays, parts.Advanced); });
            read = true;
        },
        // Also after a failure: the page shows whatever memory now holds.
        [&] {
            fMain.BeaconScheduleRecords->ShowList();
            fMain.BeaconCalendarRecords->ShowList();
            fMain.AdvancedSettingsPage->ShowSettings();
            // The register keeps the configuration as the page shows it, as "Save to File" would write it.
            if (read)
                record.KeepConfig([&] { return SettingsFileText(parts, fMain.AdvancedSettingsPage->Settings()); });
        });
}
