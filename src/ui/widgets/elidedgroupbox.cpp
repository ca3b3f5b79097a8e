#include "widgets/elidedgroupbox.h"

namespace {
// The frame's corner and the caption's own margins, as the styles draw them.
constexpr int kCaptionMargins = 24;
}

TElidedGroupBox::TElidedGroupBox(const QString &caption, QWidget *parent) : QGroupBox(parent)
{
    SetCaption(caption);
}

void TElidedGroupBox::SetCaption(const QString &caption)
{
    fCaption = caption;
    Fit();
}

void TElidedGroupBox::resizeEvent(QResizeEvent *event)
{
    QGroupBox::resizeEvent(event);
    Fit();
}

void TElidedGroupBox::Fit()
{
    const QString shown = fontMetrics().elidedText(fCaption, Qt::ElideRight, width() - kCaptionMargins);
    if (shown != title())
        setTitle(shown);
    setToolTip(shown == fCaption ? QString() : fCaption);
}
