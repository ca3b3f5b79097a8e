#include "app/frmnetworkbeacon.h"

#include "config/messages.h"
#include "link/netaddress.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmNetworkBeacon::TfrmNetworkBeacon(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmNetworkBeacon"));
    setWindowTitle(QStringLiteral("Network Beacon"));
    auto *caption = new QLabel(QStringLiteral("Address of the Beacon's serial device server:"), this);
    edtAddress = new QLineEdit(this);
    edtAddress->setObjectName(QStringLiteral("edtAddress"));
    edtAddress->setPlaceholderText(QStringLiteral("tcp://HOST:PORT"));
    caption->setBuddy(edtAddress);
    lblWhy = new QLabel(this);
    lblWhy->setObjectName(QStringLiteral("lblWhy"));
    lblWhy->setTextFormat(Qt::PlainText);
    lblWhy->setWordWrap(true);
    QPalette warning = lblWhy->palette();
    warning.setColor(QPalette::WindowText, QColor(176, 0, 32));
    lblWhy->setPalette(warning);
    lblForms = new QLabel(QString::fromUtf8(Msg::NetAddressForms), this);
    lblForms->setObjectName(QStringLiteral("lblForms"));
    lblForms->setTextFormat(Qt::PlainText);
    lblForms->setEnabled(false); // a quiet reminder, not something to act on

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    btnOK = buttons->button(QDialogButtonBox::Ok);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnCancel = buttons->button(QDialogButtonBox::Cancel);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(edtAddress);
    layout->addWidget(lblWhy);
    layout->addWidget(lblForms);
    layout->addStretch();
    layout->addWidget(buttons);
    // Room for the longest reason on two lines, so the dialog does not jump
    // as the operator types.
    const int width = fontMetrics().horizontalAdvance(QString::fromUtf8(Msg::NetAddressExpected)) / 2 + 40;
    setMinimumWidth(qMax(width, lblForms->sizeHint().width() + 24));
    lblWhy->setMinimumHeight(fontMetrics().lineSpacing() * 3);

    connect(edtAddress, &QLineEdit::textChanged, this, &TfrmNetworkBeacon::Check);
    Check();
}

void TfrmNetworkBeacon::Check()
{
    const QString text = edtAddress->text().trimmed();
    TNetAddress address;
    QString why;
    const bool valid = !text.isEmpty() && ParseNetAddress(text, address, why);
    btnOK->setEnabled(valid);
    lblWhy->setText(valid ? QString() : text.isEmpty() ? QString::fromUtf8(Msg::NetAddressEmpty) : why);
}

QString TfrmNetworkBeacon::Ask(const QString &address)
{
    edtAddress->setText(IsNetworkAddress(address) ? address : fLast);
    edtAddress->selectAll();
    edtAddress->setFocus();
    if (exec() != QDialog::Accepted)
        return {};
    fLast = edtAddress->text().trimmed();
    return fLast;
}
