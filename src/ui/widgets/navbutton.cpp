#include "widgets/navbutton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace {
const QSize kButtonSize(170, 65);
const int kIconSize = 32;
const int kMargin = 10;
const int kGap = 8;
}

TNavButton::TNavButton(const QString &caption, const QIcon &icon, int pageNumber, QWidget *parent)
    : QPushButton(parent), fCaption(caption), fIcon(icon), fPageNumber(pageNumber)
{
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    setAccessibleName(caption);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QRect TNavButton::IconRect() const
{
    return QRect(kMargin, (height() - kIconSize) / 2, kIconSize, kIconSize);
}

QRect TNavButton::CaptionRect(int width, int height) const
{
    const int left = kMargin + kIconSize + kGap;
    return QRect(left, 4, width - left - kMargin / 2, height - 8);
}

QSize TNavButton::sizeHint() const
{
    // At least the designed size; taller when the platform's font needs more
    // lines than the design's.
    const QRect area = CaptionRect(kButtonSize.width(), kButtonSize.height());
    const QRect text = fontMetrics().boundingRect(QRect(0, 0, area.width(), 1000), Qt::TextWordWrap, fCaption);
    return kButtonSize.expandedTo(QSize(kButtonSize.width(), text.height() + 8 + 8));
}

void TNavButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    option.icon = QIcon();
    painter.drawControl(QStyle::CE_PushButton, option);
    const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
    fIcon.paint(&painter, IconRect(), Qt::AlignCenter, mode);
    painter.drawItemText(CaptionRect(width(), height()), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, palette(),
                         isEnabled(), fCaption, QPalette::ButtonText);
}

TPageLed::TPageLed(int pageNumber, QWidget *parent) : QLabel(parent), fPageNumber(pageNumber)
{
    setFixedSize(14, 55);
}
