#include "widgets/pictures.h"

#include <QGuiApplication>
#include <QPainter>
#include <QSvgRenderer>

// Outside any namespace, as the resource macro requires. The pictures live in
// a static library, so nothing would pull their registration in otherwise.
static void RegisterPictures()
{
    Q_INIT_RESOURCE(pictures);
}

namespace {
QString pathOf(const QString &name)
{
    static const bool registered = (RegisterPictures(), true);
    Q_UNUSED(registered);
    return QStringLiteral(":/pictures/%1.svg").arg(name);
}
}

QPixmap Picture(const QString &name, const QSize &size)
{
    QSvgRenderer renderer(pathOf(name));
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(size * ratio);
    pixmap.fill(Qt::transparent);
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        renderer.render(&painter);
    }
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

QPixmap Picture(const QString &name)
{
    QSvgRenderer renderer(pathOf(name));
    return Picture(name, renderer.defaultSize());
}

QIcon Icon(const QString &name, int size)
{
    return QIcon(Picture(name, QSize(size, size)));
}
