#include "widgets/screenfit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

namespace {
QSize frameOf(const QWidget *window)
{
    const QSize frame = window->frameGeometry().size() - window->geometry().size();
    if (window->isVisible() && frame.width() > 0 && frame.height() > 0)
        return frame;
    const int border = 2 * window->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, window);
    return QSize(border, border + window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window));
}
}

QSize RoomIn(const QWidget *window, const QRect &available)
{
    return (available.size() - frameOf(window)).expandedTo(QSize(1, 1));
}

void CentreIn(QWidget *window, const QRect &available)
{
    QRect frame(QPoint(), window->size() + frameOf(window));
    frame.moveCenter(available.center());
    window->move(qMax(frame.left(), available.left()), qMax(frame.top(), available.top()));
}

QRect AvailableArea(const QWidget *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}
