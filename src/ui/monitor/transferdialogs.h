#pragma once
#include "config/processinstance.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QGroupBox;
class QListWidget;
class QPushButton;
class TfrmComProgress;
class TfrmMain;

// What the upload and download dialogs share: the three parts to transfer,
// the warning about the advanced settings and the button that runs the
// sequence. Created once at start-up over the main window and reused, so the
// boxes keep the operator's last choice.
class TfTransferSettings : public QDialog {
    Q_OBJECT
public:
    QGroupBox *gbParameters;
    QCheckBox *cbSchedule;
    QCheckBox *cbHolidays;
    QCheckBox *cbAdvanced;

    // Escape and the close box: refused while the sequence runs, so the
    // dialog stays modal until its sequence has ended.
    void reject() override;

protected:
    struct TDesign {
        const char *name;
        QString title, groupCaption;
        const char *buttonName;
        QString buttonCaption, buttonIcon;
    };
    TfTransferSettings(TfrmMain &main, const TDesign &design);

    // Runs a sequence with the busy cursor and the communication log shown:
    // an error ends it in an error box, afterwards runs in every case, and
    // the dialog closes itself. The button stays disabled and the dialog
    // open meanwhile, so nothing can start a sequence inside the first.
    void RunSequence(const std::function<void(TfrmComProgress &)> &sequence, const std::function<void()> &afterwards);

    TfrmMain &fMain;
    QPushButton *fButton;

private:
    bool fRunning = false;
};

// "Upload to Beacon": writes the Manage Beacons page to the controller.
class TfULoadSettings : public TfTransferSettings, public TProcessInstance<TfULoadSettings> {
    Q_OBJECT
public:
    explicit TfULoadSettings(TfrmMain &main);
    static constexpr const char *kMissingInstance = "The upload dialog does not exist.";

    void btnUploadToClick();

    QPushButton *btnUploadTo;
    // After the three parts: read back what was written and compare.
    QCheckBox *cbVerify;
    // The warnings of the page's plan for the coming year, shown before
    // anything is sent.
    QListWidget *lbPlanWarnings;

protected:
    void showEvent(QShowEvent *event) override;
};

// "Download Settings": reads the controller's configuration into the Manage
// Beacons page.
class TfDownloadSettings : public TfTransferSettings, public TProcessInstance<TfDownloadSettings> {
    Q_OBJECT
public:
    explicit TfDownloadSettings(TfrmMain &main);
    static constexpr const char *kMissingInstance = "The download dialog does not exist.";

    void btnDownloadFromClick();

    QPushButton *btnDownloadFrom;
};
