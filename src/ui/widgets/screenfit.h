#pragma once
#include <QRect>
#include <QSize>

class QWidget;

// Windows that must fit a small screen (a laptop at 1280 × 720 with 150 %
// scaling has 853 × 480 to give).

// The largest size of a window's inside that lets the window with its frame
// fit the area: the frame it has once shown, or else the style's estimate of
// a title bar and borders.
QSize RoomIn(const QWidget *window, const QRect &available);
// Places a window centred in the area, its top left corner inside it.
void CentreIn(QWidget *window, const QRect &available);
// The available area of the screen a window is on, or of the primary screen.
QRect AvailableArea(const QWidget *window);
