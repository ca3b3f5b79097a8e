#pragma once
#include "config/processinstance.h"

#include <QDialog>
#include <optional>

class QComboBox;
class QLabel;
class QPushButton;

// Picks one library entry by name. Created once at start-up and reused by
// every record list.
class TfrmItemSelect : public QDialog, public TProcessInstance<TfrmItemSelect> {
    Q_OBJECT
public:
    explicit TfrmItemSelect(QWidget *parent = nullptr);

    static constexpr const char *kMissingInstance = "The selection dialog does not exist.";

    // Shows the dialog modally with the title, the prompt and the entries, the
    // first one selected; the chosen entry's index, or none on Cancel.
    std::optional<int> Select(const QString &title, const QString &prompt, const QStringList &entries);

    void btnOkClick();
    void BtnCloseClick();

    QLabel *lblCaption;
    QComboBox *cbList;
    QPushButton *btnOk;
    QPushButton *BtnClose;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
};
