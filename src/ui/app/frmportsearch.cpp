#include "app/frmportsearch.h"

#include "config/exceptions.h"
#include "config/messages.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

TfrmPortSearch::TfrmPortSearch(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmPortSearch"));
    setWindowTitle(QStringLiteral("Searching for connected systems..."));
    // A small tool window without a close button: the search always runs its
    // full time.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowModality(Qt::ApplicationModal);

    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setTextFormat(Qt::PlainText);
    pBar = new QProgressBar(this);
    pBar->setObjectName(QStringLiteral("pBar"));
    pBar->setRange(0, ScanDurationMs);
    pBar->setTextVisible(false);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 12);
    layout->setSpacing(6);
    layout->addWidget(lblStatus);
    layout->addWidget(pBar);
    // Wide enough for the longest status text, with a bar of some length.
    lblStatus->setMinimumWidth(lblStatus->fontMetrics().horizontalAdvance(QString::fromUtf8(Msg::ScanSearching)));
    setFixedSize(sizeHint().expandedTo(QSize(320, 0)));
}

void TfrmPortSearch::showEvent(QShowEvent *event)
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QWidget::showEvent(event);
}

TScanResult TfrmPortSearch::Scan()
{
    pBar->setMaximum(ScanDurationMs);
    pBar->setValue(0);
    return ScanForController(DiscoveryPorts(), [this](const QString &status, int position) {
        pBar->setValue(position);
        if (lblStatus->text() != status) {
            lblStatus->setText(status);
            // Between the scan's listening loop nothing else repaints the window.
            repaint();
        }
    });
}
