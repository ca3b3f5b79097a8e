#include "widgets/pagetitle.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

TPageTitle::TPageTitle(const QString &title, QWidget *parent) : QWidget(parent)
{
    fTitle = new QLabel(title, this);
    fTitle->setTextFormat(Qt::PlainText);
    QFont font = fTitle->font();
    font.setBold(true);
    font.setPixelSize(29);
    fTitle->setFont(font);
    QPalette palette = fTitle->palette();
    palette.setColor(QPalette::WindowText, QColor(128, 0, 0));
    fTitle->setPalette(palette);

    auto *rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);

    fRow = new QHBoxLayout;
    fRow->setContentsMargins(0, 0, 0, 0);
    fRow->addWidget(fTitle);
    fRow->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addLayout(fRow);
    layout->addWidget(rule);
}

QString TPageTitle::Title() const
{
    return fTitle->text();
}
