#pragma once
#include "transfer/settingsfile.h"

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;

// What the "Save Settings" and "Load Settings" dialogs share: a group of three
// check boxes naming the parts of a configuration, the note about critical
// settings, and the one button. Created once at start-up and reused, so the
// check boxes keep the operator's last choice.
class TSettingsFileDialog : public QDialog {
    Q_OBJECT
public:
    // The configuration file choosers' texts.
    static QString FileFilter();
    static QString FileExtension();
    // The parts the check boxes choose.
    TConfigParts Parts() const;

    QGroupBox *gbParts;
    QCheckBox *cbSchedule;
    QCheckBox *cbHolidays;
    QCheckBox *cbAdvanced;
    QLabel *lblNote;

protected:
    struct TDesign {
        QString objectName;
        QString caption;
        QString groupCaption;
        bool advancedFirst; // the check boxes' order on the screen
        QString buttonName;
        QString buttonCaption;
    };
    TSettingsFileDialog(const TDesign &design, QWidget *parent);

    QPushButton *const fButton;

    void showEvent(QShowEvent *event) override;
};
