#pragma once
#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Asks for the address of a controller behind a serial device server. The
// address is checked as it is typed: while it is not one the link can open,
// OK stays disabled and the reason is shown under it. Created once with the
// main window and reused; it starts from the address last given.
class TfrmNetworkBeacon : public QDialog {
    Q_OBJECT
public:
    explicit TfrmNetworkBeacon(QWidget *parent = nullptr);

    // Shows the dialog modally, starting from address when it is one (else
    // from the last address given); the address given, or an empty text when
    // the operator cancelled.
    QString Ask(const QString &address);

    QLineEdit *edtAddress;
    QLabel *lblWhy;
    QLabel *lblForms;
    QPushButton *btnOK;
    QPushButton *btnCancel;

private:
    void Check();

    QString fLast;
};
