#pragma once
#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class TFleetFilter;
class TFleetModel;
struct TFleetRow;
class TfrmMain;

// "Fleet": the district's beacons as the inventory lists them, with what the
// register and the archive say of each and what is due, sorted by any
// column and filtered by a text and a tag. A beacon's row opens its history
// ("History…", or a double click) or shows its event archive on the Event
// Log page ("Event Archive…"). The inventory is changed with pvbcs-cli.
class TfrmFleet : public QDialog {
    Q_OBJECT
public:
    explicit TfrmFleet(TfrmMain &main);

    // Reads the inventory again; the filter, the tag and the sort stay.
    void Reload();

    QLineEdit *edtFilter;
    QComboBox *cbTag;
    QTableView *tvFleet;
    QLabel *lblCount;
    QLabel *lblDue; // the selected beacon's due items in full
    QPushButton *btnHistory;
    QPushButton *btnArchive;
    QPushButton *btnRefresh;
    QPushButton *btnClose;

    TFleetModel &Model() const { return *fModel; }
    TFleetFilter &Filter() const { return *fFilter; }

private:
    void btnHistoryClick();
    void btnArchiveClick();
    void ShowSelected();
    void FillTags();
    // The selected beacon's row; nullptr, with the operator told, without one.
    const TFleetRow *SelectedRow() const;
    // Its serial number; empty, with the operator told, when it has none yet.
    QString SelectedSerial() const;

    TfrmMain &fMain;
    TFleetModel *fModel;
    TFleetFilter *fFilter;
    bool fSized = false;
};
