#include "widgets/rangebar.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

namespace {
const int kHandleWidth = 11;
const int kHandleHeight = 19;
const int kGrooveHeight = 4;
const int kTickLength = 4;
}

TRangeBar::TRangeBar(int minimum, int maximum, int step, QWidget *parent)
    : QWidget(parent), fMinimum(minimum), fMaximum(qMax(minimum + step, maximum)), fStep(step), fLower(minimum),
      fUpper(fMaximum)
{
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TRangeBar::SetRange(int lower, int upper)
{
    lower = qBound(fMinimum, lower, fMaximum);
    upper = qBound(fMinimum, upper, fMaximum);
    fLower = qMin(lower, upper);
    fUpper = qMax(lower, upper);
    update();
}

QSize TRangeBar::sizeHint() const
{
    return {220, minimumSizeHint().height()};
}

QSize TRangeBar::minimumSizeHint() const
{
    return {kHandleWidth * 2 + (fMaximum - fMinimum) / fStep * 6, kHandleHeight + kTickLength + 4};
}

int TRangeBar::XOf(int value) const
{
    const int span = width() - kHandleWidth;
    return kHandleWidth / 2 + (value - fMinimum) * span / (fMaximum - fMinimum);
}

int TRangeBar::ValueAt(int x) const
{
    const double span = qMax(1, width() - kHandleWidth);
    const double value = fMinimum + (x - kHandleWidth / 2) * (fMaximum - fMinimum) / span;
    const int steps = qRound((value - fMinimum) / fStep);
    return qBound(fMinimum, fMinimum + steps * fStep, fMaximum);
}

QRect TRangeBar::HandleRect(int value) const
{
    return {XOf(value) - kHandleWidth / 2, 1, kHandleWidth, kHandleHeight};
}

void TRangeBar::MoveFocused(int value)
{
    int &moved = fFocused == Handle::Lower ? fLower : fUpper;
    const int lowest = fFocused == Handle::Lower ? fMinimum : fLower;
    const int highest = fFocused == Handle::Lower ? fUpper : fMaximum;
    value = qBound(lowest, value, highest);
    if (value == moved)
        return;
    moved = value;
    update();
    Q_EMIT RangeChanged(fLower, fUpper);
}

void TRangeBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette &pal = palette();
    const int grooveY = 1 + kHandleHeight / 2 - kGrooveHeight / 2;

    const QRectF groove(XOf(fMinimum), grooveY, XOf(fMaximum) - XOf(fMinimum), kGrooveHeight);
    painter.setPen(QPen(pal.color(QPalette::Mid), 1));
    painter.setBrush(pal.color(QPalette::Button));
    painter.drawRoundedRect(groove, 2, 2);
    const QRectF range(XOf(fLower), grooveY, XOf(fUpper) - XOf(fLower), kGrooveHeight);
    painter.setPen(Qt::NoPen);
    painter.setBrush(isEnabled() ? pal.color(QPalette::Highlight) : pal.color(QPalette::Mid));
    painter.drawRect(range);

    painter.setPen(QPen(pal.color(QPalette::Dark), 1));
    const int tickTop = 2 + kHandleHeight;
    for (int value = fMinimum; value <= fMaximum; value += fStep)
        painter.drawLine(QPointF(XOf(value) + 0.5, tickTop), QPointF(XOf(value) + 0.5, tickTop + kTickLength));

    for (const Handle handle : {Handle::Lower, Handle::Upper}) {
        const bool focused = hasFocus() && handle == fFocused;
        const QRectF rect = QRectF(HandleRect(handle == Handle::Lower ? fLower : fUpper)).adjusted(0.5, 0.5, -0.5, -0.5);
        painter.setPen(QPen(focused ? pal.color(QPalette::Highlight) : pal.color(QPalette::Dark), focused ? 2 : 1));
        painter.setBrush(isEnabled() ? pal.color(QPalette::Light) : pal.color(QPalette::Button));
        painter.drawRoundedRect(rect, 2, 2);
    }
}

void TRangeBar::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down:
        MoveFocused((fFocused == Handle::Lower ? fLower : fUpper) - fStep);
        break;
    case Qt::Key_Right:
    case Qt::Key_Up:
        MoveFocused((fFocused == Handle::Lower ? fLower : fUpper) + fStep);
        break;
    case Qt::Key_Home:
        MoveFocused(fMinimum);
        break;
    case Qt::Key_End:
        MoveFocused(fMaximum);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void TRangeBar::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // The nearer handle takes the click; of two handles on one position, the
    // one on the side clicked.
    const int x = qRound(event->position().x());
    const int toLower = qAbs(x - XOf(fLower));
    const int toUpper = qAbs(x - XOf(fUpper));
    if (toLower != toUpper)
        fFocused = toLower < toUpper ? Handle::Lower : Handle::Upper;
    else
        fFocused = x < XOf(fLower) ? Handle::Lower : Handle::Upper;
    setFocus(Qt::MouseFocusReason);
    update();
    MoveFocused(ValueAt(x));
}

void TRangeBar::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton)
        MoveFocused(ValueAt(qRound(event->position().x())));
}

void TRangeBar::focusInEvent(QFocusEvent *event)
{
    if (event->reason() == Qt::TabFocusReason)
        fFocused = Handle::Lower;
    else if (event->reason() == Qt::BacktabFocusReason)
        fFocused = Handle::Upper;
    QWidget::focusInEvent(event);
}

bool TRangeBar::focusNextPrevChild(bool next)
{
    // Each handle is a stop of its own in the keyboard order.
    if (next && fFocused == Handle::Lower) {
        fFocused = Handle::Upper;
        update();
        return true;
    }
    if (!next && fFocused == Handle::Upper) {
        fFocused = Handle::Lower;
        update();
        return true;
    }
    return QWidget::focusNextPrevChild(next);
}
