#include "monitor/fprogbar.h"

#include "config/exceptions.h"
#include "eventlog/eventdownload.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

TfProgBar::TfProgBar(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("fProgBar"));
    setWindowTitle(QStringLiteral("Loading Events..."));
    setWindowFlags(Qt::Tool);

    lblProgBar = new QLabel(QStringLiteral("Loading..."), this);
    lblProgBar->setObjectName(QStringLiteral("lblProgBar"));
    pbProgBar = new QProgressBar(this);
    pbProgBar->setObjectName(QStringLiteral("pbProgBar"));
    pbProgBar->setRange(0, EventSlotCount - 1);
    btnlbProgBar = new QPushButton(QStringLiteral("Abort"), this);
    btnlbProgBar->setObjectName(QStringLiteral("btnlbProgBar"));
    connect(btnlbProgBar, &QPushButton::clicked, this, [this] { btnlbProgBarClick(); });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(6);
    layout->addWidget(lblProgBar);
    layout->addWidget(pbProgBar);
    layout->addWidget(btnlbProgBar, 0, Qt::AlignRight);
    resize(QSize(320, 0).expandedTo(sizeHint()));
}

void TfProgBar::Start(const QWidget *owner)
{
    fAbort = false;
    fRunning = true;
    pbProgBar->setValue(0);
    if (owner)
        move(owner->geometry().center() - rect().center());
    show();
}

void TfProgBar::Finish()
{
    fRunning = false;
    close();
}

void TfProgBar::closeEvent(QCloseEvent *event)
{
    // The close box mid-download is the operator giving up on it; the window
    // stays until the download has ended.
    fAbort = true;
    if (fRunning)
        event->ignore();
    else
        QWidget::closeEvent(event);
}
