#pragma once
#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

// The program's own drawings (SVG, compiled in), rendered at the size asked
// for and sharp on high-density screens. name is the file name without
// extension, e.g. "nav-home".
QPixmap Picture(const QString &name, const QSize &size);
// The picture at its drawn size.
QPixmap Picture(const QString &name);
QIcon Icon(const QString &name, int size = 24);
