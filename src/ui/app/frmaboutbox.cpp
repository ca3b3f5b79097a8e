#include "app/frmaboutbox.h"

#include "app/makersite.h"
#include "config/exceptions.h"
#include "config/version.h"
#include "widgets/pictures.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {
QLabel *plainLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}
}

TfrmAboutBox::TfrmAboutBox(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);

    auto *icon = new QLabel(this);
    icon->setPixmap(Picture(QStringLiteral("app"), QSize(64, 64)));
    icon->setAlignment(Qt::AlignTop);

    auto *product = plainLabel(QStringLiteral("Pavoline\u00AE Beacon Control Software "), this);
    QFont bold = product->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.25);
    product->setFont(bold);
    lblVersion = plainLabel(QString(), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    auto *models = plainLabel(QStringLiteral("For Pavoline\u00AE PB-1 and PB-2 school-zone beacon controllers"), this);
    auto *legal1 = plainLabel(QStringLiteral("Copyright \u00A9 Orvella Works. All rights reserved."), this);
    auto *legal2 = plainLabel(
        QStringLiteral("This program is protected by copyright law. Unauthorised copying or distribution is prohibited."),
        this);
    legal2->setWordWrap(true);
    QFont small = legal1->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    legal1->setFont(small);
    legal2->setFont(small);

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnOK->setMinimumWidth(90);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(6);
    texts->addWidget(product);
    texts->addWidget(lblVersion);
    texts->addWidget(models);
    texts->addSpacing(8);
    texts->addWidget(legal1);
    texts->addWidget(legal2);
    texts->addSpacing(4);
    texts->addWidget(NewWebSiteLink(this));

    auto *body = new QHBoxLayout;
    body->setSpacing(16);
    body->addWidget(icon);
    body->addLayout(texts, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOK);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->addLayout(body);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    legal2->setFixedWidth(320);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmAboutBox::showEvent(QShowEvent *event)
{
    lblVersion->setText(QStringLiteral("Version: ") + GetExeVersion());
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}
