#pragma once
#include "config/processinstance.h"
#include "app/settingsfiledialog.h"

class TfrmChildAdvanced;

// "Save Settings": writes the chosen parts of the beacon's configuration (its
// schedule, its holidays and exceptions, the advanced settings page) to a
// settings file.
class TfrmSaveSettings : public TSettingsFileDialog, public TProcessInstance<TfrmSaveSettings> {
    Q_OBJECT
public:
    explicit TfrmSaveSettings(const TfrmChildAdvanced &advancedPage, QWidget *parent = nullptr);

    static constexpr const char *kMissingInstance = "The save settings dialog does not exist.";

    // Asks for the file; Cancel leaves the dialog open. Otherwise writes the
    // file and closes the dialog, also when the writing fails (the failure
    // then goes on to the operator).
    void btnSaveToFileClick();

    QPushButton *const btnSaveToFile;

private:
    const TfrmChildAdvanced &fAdvancedPage;
};
