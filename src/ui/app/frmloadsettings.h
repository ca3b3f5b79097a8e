#pragma once
#include "config/processinstance.h"
#include "app/settingsfiledialog.h"

class QLabel;
class TChildRecordList;
class TfrmChildAdvanced;

// "Load Settings": reads the chosen parts of a settings file into the beacon's
// configuration (its schedule, its holidays and exceptions, the advanced
// settings page); the parts not chosen keep their content.
class TfrmLoadSettings : public TSettingsFileDialog, public TProcessInstance<TfrmLoadSettings> {
    Q_OBJECT
public:
    TfrmLoadSettings(TfrmChildAdvanced &advancedPage, TChildRecordList &scheduleRecords,
                     TChildRecordList &calendarRecords, QWidget *parent = nullptr);

    static constexpr const char *kMissingInstance = "The load settings dialog does not exist.";

    // Asks for the file; Cancel leaves the dialog open. Otherwise reads the
    // file, redraws the beacon's two record lists and closes the dialog,
    // whatever happened.
    void btnLoadFromFileClick();
    // The dialog for a file given to the program: it names the file, and
    // "Load" reads that file instead of asking for one.
    void LoadGivenFile(const QString &fileName);

    QPushButton *const btnLoadFromFile;
    QLabel *lblFile; // shown with a given file only

private:
    TfrmChildAdvanced &fAdvancedPage;
    TChildRecordList &fScheduleRecords;
    TChildRecordList &fCalendarRecords;
    QString fGivenFile;
};
