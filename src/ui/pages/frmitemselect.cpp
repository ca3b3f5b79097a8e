#include "pages/frmitemselect.h"

#include "config/exceptions.h"
#include "pages/pagewidgets.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TfrmItemSelect::TfrmItemSelect(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmItemSelect"));
    setWindowFlags(Qt::Tool | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    lblCaption = new QLabel(QStringLiteral("Please select:"), this);
    lblCaption->setObjectName(QStringLiteral("lblCaption"));
    lblCaption->setTextFormat(Qt::PlainText);
    cbList = new QComboBox(this);
    cbList->setObjectName(QStringLiteral("cbList"));
    cbList->setMinimumWidth(260);
    cbList->installEventFilter(this);
    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    BtnClose = new QPushButton(QStringLiteral("Cancel"), this);
    BtnClose->setObjectName(QStringLiteral("BtnClose"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOk);
    buttons->addWidget(BtnClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblCaption);
    layout->addWidget(cbList);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(btnOk, &QPushButton::clicked, this, &TfrmItemSelect::btnOkClick);
    connect(BtnClose, &QPushButton::clicked, this, &TfrmItemSelect::BtnCloseClick);
}

std::optional<int> TfrmItemSelect::Select(const QString &title, const QString &prompt, const QStringList &entries)
{
    setWindowTitle(title);
    lblCaption->setText(prompt);
    cbList->clear();
    cbList->addItems(entries);
    cbList->setCurrentIndex(0);
    cbList->setFocus();
    if (exec() != Accepted || cbList->currentIndex() < 0)
        return std::nullopt;
    return cbList->currentIndex();
}

void TfrmItemSelect::btnOkClick()
{
    accept();
}

void TfrmItemSelect::BtnCloseClick()
{
    reject();
}

void TfrmItemSelect::showEvent(QShowEvent *event)
{
    CentreOnScreen(this);
    QDialog::showEvent(event);
}

bool TfrmItemSelect::eventFilter(QObject *watched, QEvent *event)
{
    // The list drops down as soon as the operator types; the key still goes to
    // the closed list first, which selects the entry it begins.
    if (watched == cbList && event->type() == QEvent::KeyPress
        && !static_cast<QKeyEvent *>(event)->text().trimmed().isEmpty())
        QMetaObject::invokeMethod(cbList, &QComboBox::showPopup, Qt::QueuedConnection);
    return QDialog::eventFilter(watched, event);
}
