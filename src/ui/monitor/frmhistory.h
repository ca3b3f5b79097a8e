#pragma once
#include <QDialog>

class QComboBox;
class QPushButton;
class QTableView;
class THistoryModel;
class TfrmMain;

// "Beacon History": the register's actions for one controller, or all,
// newest first and fetched as the list scrolls. A recorded upload or
// download opens into the Beacon's pages or is saved as a settings file;
// two recorded configurations are compared.
class TfrmHistory : public QDialog {
    Q_OBJECT
public:
    // serial: the controller shown first (the connected one); empty for all.
    TfrmHistory(TfrmMain &main, const QString &serial);

    QComboBox *cbBeacon;
    QTableView *tvActions;
    QPushButton *btnOpen;
    QPushButton *btnSave;
    QPushButton *btnCompare;
    QPushButton *btnClose;

    THistoryModel &Model() const { return *fModel; }

private:
    void btnOpenClick();
    void btnSaveClick();
    void btnCompareClick();
    // The ids of the selected actions, in the list's order.
    QList<qint64> SelectedIds() const;
    // The one selected action; 0, with the operator told, without one.
    qint64 SelectedId() const;

    TfrmMain &fMain;
    THistoryModel *fModel;
};
