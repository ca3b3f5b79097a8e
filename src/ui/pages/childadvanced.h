#pragma once
#include "transfer/advancedsettings.h"

#include <QWidget>
#include <functional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QPushButton;
class QTimeEdit;
class TIniFile;
class TRangeBar;

// The advanced settings page of the Manage Beacons page: flashing, brightness,
// radio and daylight-saving settings. Its controls always show its settings
// model. An operator change takes the controls into the model, runs the rule
// named for the control and shows the model again; a change made by the
// program runs no rule. The page is created inside its host and fills it;
// creating it runs "Auto Set" once.
class TfrmChildAdvanced : public QWidget {
    Q_OBJECT
public:
    explicit TfrmChildAdvanced(QWidget *host);

    const TAdvancedSettings &Settings() const { return fSettings; }
    // A change made by the program: applies it to the model, then shows the
    // model, also when the change fails half-way.
    void Change(const std::function<void(TAdvancedSettings &)> &change);

    // The page into BeaconSettings (before an upload).
    void SetSettings() const;
    // BeaconSettings onto the page (after a download), then the pattern and
    // role rules.
    void ShowSettings();
    // The ten advanced keys of a settings file; loading sets the controls
    // without running any rule. Without a file both do nothing.
    void SaveToIni(TIniFile *ini) const;
    void LoadFromIni(const TIniFile *ini);

    // The operator's changes.
    void btnSetDSTClick();
    // A change of the pattern or of the speed.
    void cbFlashPatternChange();
    void cbUseMUTCDClick();
    void cbZBeeModeChange();

    QCheckBox *cbUseMUTCD;
    QLabel *lblBrightness;
    TRangeBar *rangeBrightness;
    QGroupBox *gbDST;
    QDateEdit *dtDate1;
    QComboBox *cbOffset;
    QDateEdit *dtDate2;
    QTimeEdit *dtChangeTime;
    QPushButton *btnSetDST;
    QComboBox *cbFlashPattern;
    QComboBox *cbFlashSpeed;
    QComboBox *cbZBeeMode;
    QComboBox *cbZBeeChannel;

private:
    // The controls into the model, for a change the operator made.
    void TakeControls();
    // The model onto the controls, raising none of their change reactions.
    void ShowControls();
    // Runs an operator's change: the controls into the model, then the step,
    // then the model onto the controls.
    void OperatorChange(const std::function<void()> &rule);

    TAdvancedSettings fSettings;
};
