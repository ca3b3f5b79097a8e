#include "pages/childadvanced.h"

#include "config/errorhandler.h"
#include "config/messages.h"
#include "protocol/beaconprotocol.h"
#include "store/localetext.h"
#include "widgets/rangebar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {
const char *const kBrightnessCaption = "Brightness Variation from %d%% to %d%%";

QComboBox *newList(const char *name, const QStringList &items, QWidget *parent)
{
    auto *list = new QComboBox(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setEditable(false);
    list->addItems(items);
    return list;
}

QLabel *newLabel(const char *text, QWidget *parent)
{
    auto *label = new QLabel(QString::fromUtf8(text), parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QDateEdit *newDatePicker(const char *name, QWidget *parent)
{
    auto *picker = new QDateEdit(parent);
    picker->setObjectName(QString::fromLatin1(name));
    picker->setCalendarPopup(true);
    picker->setDisplayFormat(ShortDateFormat(QLocale()));
    return picker;
}

void setIndex(QComboBox *list, int index)
{
    const QSignalBlocker quiet(list);
    list->setCurrentIndex(index);
}
}

TfrmChildAdvanced::TfrmChildAdvanced(QWidget *host) : QWidget(host)
{
    setObjectName(QStringLiteral("frmChildAdvanced"));
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    cbUseMUTCD = new QCheckBox(QStringLiteral("Use MUTCD Default flashing settings"), this);
    cbUseMUTCD->setObjectName(QStringLiteral("cbUseMUTCD"));
    lblBrightness = newLabel("", this);
    lblBrightness->setObjectName(QStringLiteral("lblBrightness"));
    rangeBrightness = new TRangeBar(TAdvancedSettings::BrightnessLowest, TAdvancedSettings::BrightnessHighest,
                                    TAdvancedSettings::BrightnessStep, this);
    rangeBrightness->setObjectName(QStringLiteral("rangeBrightness"));

    gbDST = new QGroupBox(QStringLiteral("  DST Settings "), this);
    gbDST->setObjectName(QStringLiteral("gbDST"));
    dtDate1 = newDatePicker("dtDate1", gbDST);
    dtDate2 = newDatePicker("dtDate2", gbDST);
    cbOffset = newList("cbOffset", TAdvancedSettings::OffsetItems(), gbDST);
    dtChangeTime = new QTimeEdit(gbDST);
    dtChangeTime->setObjectName(QStringLiteral("dtChangeTime"));
    dtChangeTime->setDisplayFormat(QStringLiteral("HH:mm"));
    btnSetDST = new QPushButton(QStringLiteral("Auto Set"), gbDST);
    btnSetDST->setObjectName(QStringLiteral("btnSetDST"));

    cbFlashPattern = newList("cbFlashPattern", TAdvancedSettings::FlashPatternItems(), this);
    cbFlashSpeed = newList("cbFlashSpeed", TAdvancedSettings::FlashSpeedItems(), this);
    cbZBeeMode = newList("cbZBeeMode", TAdvancedSettings::BeaconRoleItems(), this);
    cbZBeeChannel = newList("cbZBeeChannel", TAdvancedSettings::LinkChannelItems(), this);

    // Labels above their fields, so the group leaves the lists on the right
    // their room.
    auto *dst = new QGridLayout(gbDST);
    dst->setContentsMargins(8, 4, 8, 8);
    dst->setHorizontalSpacing(10);
    dst->setVerticalSpacing(2);
    dst->addWidget(newLabel("Shift to DST on:", gbDST), 0, 0);
    dst->addWidget(dtDate1, 1, 0);
    dst->addWidget(newLabel("Shift to Standard:", gbDST), 0, 1);
    dst->addWidget(dtDate2, 1, 1);
    dst->setRowMinimumHeight(2, 4);
    dst->addWidget(newLabel("Time Offset:", gbDST), 3, 0);
    dst->addWidget(cbOffset, 4, 0);
    dst->addWidget(newLabel("Shift Time:", gbDST), 3, 1);
    dst->addWidget(dtChangeTime, 4, 1);
    dst->addWidget(btnSetDST, 4, 2);
    dst->setColumnStretch(2, 1);

    auto *left = new QVBoxLayout;
    left->setSpacing(4);
    left->addWidget(cbUseMUTCD);
    left->addSpacing(6);
    left->addWidget(lblBrightness);
    left->addWidget(rangeBrightness);
    left->addSpacing(6);
    left->addWidget(gbDST);
    left->addStretch(1);

    auto *right = new QVBoxLayout;
    right->setSpacing(2);
    const std::pair<const char *, QComboBox *> lists[] = {{"Flashing Pattern:", cbFlashPattern},
                                                          {"Flashing Speed:", cbFlashSpeed},
                                                          {"System Designation:", cbZBeeMode},
                                                          {"Inter-System Channel:", cbZBeeChannel}};
    for (const auto &[caption, list] : lists) {
        right->addWidget(newLabel(caption, this));
        right->addWidget(list);
        right->addSpacing(6);
    }
    right->addStretch(1);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 8, 10, 8);
    layout->setSpacing(14);
    layout->addLayout(left, 1);
    layout->addLayout(right);

    // The page fills its host.
    if (!host->layout()) {
        auto *hostLayout = new QVBoxLayout(host);
        hostLayout->setContentsMargins(0, 0, 0, 0);
    }
    host->layout()->addWidget(this);

    // Only the operator's changes run the rules: "activated" and "clicked"
    // are not raised by setting a control from the program.
    auto operatorChange = [this](auto handler) {
        return [this, handler] { RunAction([this, handler] { (this->*handler)(); }); };
    };
    auto takeControls = [this] { RunAction([this] { OperatorChange({}); }); };
    connect(cbFlashPattern, &QComboBox::activated, this, operatorChange(&TfrmChildAdvanced::cbFlashPatternChange));
    connect(cbFlashSpeed, &QComboBox::activated, this, operatorChange(&TfrmChildAdvanced::cbFlashPatternChange));
    connect(cbUseMUTCD, &QCheckBox::clicked, this, operatorChange(&TfrmChildAdvanced::cbUseMUTCDClick));
    connect(cbZBeeMode, &QComboBox::activated, this, operatorChange(&TfrmChildAdvanced::cbZBeeModeChange));
    connect(btnSetDST, &QPushButton::clicked, this, operatorChange(&TfrmChildAdvanced::btnSetDSTClick));
    connect(cbZBeeChannel, &QComboBox::activated, this, takeControls);
    connect(cbOffset, &QComboBox::activated, this, takeControls);
    connect(dtDate1, &QDateEdit::dateChanged, this, takeControls);
    connect(dtDate2, &QDateEdit::dateChanged, this, takeControls);
    connect(dtChangeTime, &QTimeEdit::timeChanged, this, takeControls);
    connect(rangeBrightness, &TRangeBar::RangeChanged, this, takeControls);

    // The slave warning comes with the channel list already enabled.
    fSettings.ShowRuleResult = [this] { ShowControls(); };
    // The model was created with "Auto Set" run on it.
    ShowControls();
}

void TfrmChildAdvanced::Change(const std::function<void(TAdvancedSettings &)> &change)
{
    const auto show = qScopeGuard([this] { ShowControls(); });
    change(fSettings);
}

void TfrmChildAdvanced::SetSettings() const
{
    fSettings.SetSettings(BeaconSettings);
}

void TfrmChildAdvanced::ShowSettings()
{
    Change([](TAdvancedSettings &settings) { settings.ShowSettings(BeaconSettings); });
}

void TfrmChildAdvanced::SaveToIni(TIniFile *ini) const
{
    fSettings.SaveToIni(ini);
}

void TfrmChildAdvanced::LoadFromIni(const TIniFile *ini)
{
    Change([ini](TAdvancedSettings &settings) { settings.LoadFromIni(ini); });
}

void TfrmChildAdvanced::btnSetDSTClick()
{
    OperatorChange([this] { fSettings.btnSetDSTClick(); });
}

void TfrmChildAdvanced::cbFlashPatternChange()
{
    OperatorChange([this] { fSettings.cbFlashPatternChange(); });
}

void TfrmChildAdvanced::cbUseMUTCDClick()
{
    OperatorChange([this] { fSettings.cbUseMUTCDClick(); });
}

void TfrmChildAdvanced::cbZBeeModeChange()
{
    OperatorChange([this] { fSettings.cbZBeeModeChange(); });
}

void TfrmChildAdvanced::OperatorChange(const std::function<void()> &rule)
{
    TakeControls();
    const auto show = qScopeGuard([this] { ShowControls(); });
    if (rule)
        rule();
}

void TfrmChildAdvanced::TakeControls()
{
    fSettings.UseMUTCD = cbUseMUTCD->isChecked();
    fSettings.SetBrightness(rangeBrightness->Lower(), rangeBrightness->Upper());
    fSettings.DateDST1 = dtDate1->date();
    fSettings.DateDST2 = dtDate2->date();
    fSettings.TimeDST = dtChangeTime->time();
    fSettings.OffsetIndex = cbOffset->currentIndex();
    fSettings.FlashPattern = cbFlashPattern->currentIndex();
    fSettings.FlashSpeed = cbFlashSpeed->currentIndex();
    fSettings.BeaconRole = cbZBeeMode->currentIndex();
    fSettings.LinkChannel = cbZBeeChannel->currentIndex();
}

void TfrmChildAdvanced::ShowControls()
{
    // The bar keeps its own limits; the model holds what it shows.
    rangeBrightness->SetRange(fSettings.BrightnessMin, fSettings.BrightnessMax);
    fSettings.SetBrightness(rangeBrightness->Lower(), rangeBrightness->Upper());
    lblBrightness->setText(Fmt(QString::fromLatin1(kBrightnessCaption), fSettings.BrightnessMin,
                               fSettings.BrightnessMax));
    {
        const QSignalBlocker quiet(cbUseMUTCD);
        cbUseMUTCD->setChecked(fSettings.UseMUTCD);
    }
    for (const auto &[picker, date] : {std::pair{dtDate1, fSettings.DateDST1}, std::pair{dtDate2, fSettings.DateDST2}}) {
        const QSignalBlocker quiet(picker);
        picker->setDate(date);
    }
    {
        const QSignalBlocker quiet(dtChangeTime);
        dtChangeTime->setTime(fSettings.TimeDST);
    }
    setIndex(cbOffset, fSettings.OffsetIndex);
    setIndex(cbFlashPattern, fSettings.FlashPattern);
    setIndex(cbFlashSpeed, fSettings.FlashSpeed);
    setIndex(cbZBeeMode, fSettings.BeaconRole);
    setIndex(cbZBeeChannel, fSettings.LinkChannel);
    cbFlashSpeed->setEnabled(fSettings.FlashSpeedEnabled);
    cbZBeeChannel->setEnabled(fSettings.LinkChannelEnabled);
}
