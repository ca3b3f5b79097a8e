#include "monitor/frmrealtime.h"

#include "config/errorhandler.h"
#include "config/exceptions.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace {
constexpr int kScanIntervalMs = 100;
}

TfrmRealTime::TfrmRealTime(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmRealTime"));
    setWindowTitle(QStringLiteral("Real-Time Diagnostics"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);

    auto field = [this](const char *name) {
        auto *label = new QLabel(this);
        label->setObjectName(QString::fromLatin1(name));
        label->setTextFormat(Qt::PlainText);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setMinimumHeight(26);
        QFont font = label->font();
        font.setBold(true);
        font.setPointSizeF(font.pointSizeF() * 1.2);
        label->setFont(font);
        return label;
    };
    lblStatusTime = field("lblStatusTime");
    lblStatusDate = field("lblStatusDate");
    lblStatusVoltage = field("lblStatusVoltage");
    lblStatusBeacon = field("lblStatusBeacon");
    lblStateOverride = field("lblStateOverride");
    lblSwitchState = field("lblSwitchState");
    lblStale = new QLabel(this);
    lblStale->setObjectName(QStringLiteral("lblStale"));
    lblStale->setTextFormat(Qt::PlainText);
    lblStale->setWordWrap(true);
    lblStale->setMinimumHeight(lblStale->fontMetrics().lineSpacing() * 2);
    btnClose = new QPushButton(QStringLiteral("Close"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setMinimumWidth(90);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::close);

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(6);
    layout->addWidget(lblStatusTime, 0, 0);
    layout->addWidget(lblStatusVoltage, 0, 1);
    layout->addWidget(lblStatusDate, 1, 0);
    layout->addWidget(lblStatusBeacon, 1, 1);
    layout->addWidget(lblStateOverride, 2, 0, 1, 2);
    layout->addWidget(lblSwitchState, 3, 0, 1, 2);
    layout->addWidget(lblStale, 4, 0, 1, 2);
    layout->addWidget(btnClose, 5, 1, Qt::AlignRight);
    layout->setColumnMinimumWidth(0, 200);
    layout->setColumnMinimumWidth(1, 200);
    ShowFields();
    // Wide enough for the longest texts a field can take.
    lblStateOverride->setMinimumWidth(
        lblStateOverride->fontMetrics().horizontalAdvance(QStringLiteral(" Schedule overridden to OFF state")) + 12);
    setFixedSize(sizeHint());

    tmrScan.setObjectName(QStringLiteral("tmrScan"));
    tmrScan.setInterval(kScanIntervalMs);
    // Off while a step runs: its exchange lets timer events through, and two
    // steps must never share the line.
    tmrScan.setSingleShot(true);
    connect(&tmrScan, &QTimer::timeout, this, [this] { tmrScanTimer(); });
}

void TfrmRealTime::showEvent(QShowEvent *event)
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
    MarkStale(false);
    tmrScan.start();
}

void TfrmRealTime::hideEvent(QHideEvent *event)
{
    // A tick still due would send a command after the identity poll has the
    // line again; a step running now does not re-arm the timer.
    tmrScan.stop();
    QDialog::hideEvent(event);
}

void TfrmRealTime::tmrScanTimer()
{
    tmrScan.stop();
    try {
        fDiagnostics.Tick();
        ShowFields();
    } catch (...) {
        // Marked before the error is shown, so the box does not sit over
        // values that look current.
        MarkStale(true);
        HandleUnexpectedException(std::current_exception());
    }
    // Stale after a link error: no more polling until opened again.
    if (isVisible() && !fStale)
        tmrScan.start();
}

QList<QLabel *> TfrmRealTime::Fields() const
{
    return {lblStatusTime, lblStatusDate, lblStatusVoltage, lblStatusBeacon, lblStateOverride, lblSwitchState};
}

void TfrmRealTime::ShowFields()
{
    const QStringList texts = fDiagnostics.Fields();
    const QList<QLabel *> labels = Fields();
    for (int i = 0; i < labels.size(); ++i)
        labels.at(i)->setText(texts.at(i));
}

void TfrmRealTime::MarkStale(bool stale)
{
    fStale = stale;
    for (QLabel *field : Fields())
        field->setEnabled(!stale); // greyed
    lblStale->setText(stale ? fDiagnostics.StaleNote() : QString());
}
