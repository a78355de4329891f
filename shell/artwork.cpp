#include "artwork.h"

#include <QPainter>

namespace klavet::artwork {

namespace {

// Plain stand-ins: flat fills of the right size.
QImage Filled(int width, int height, qreal dpr, QColor colour) {
    QImage image(QSize(width, height) * dpr, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(colour);
    return image;
}

} // namespace

QImage Background(qreal dpr) { return Filled(394, 298, dpr, QColor(204, 255, 255)); }
QImage KeyAtRest(qreal dpr) { return Filled(245, 153, dpr, QColor(204, 255, 255)); }
QImage KeyPressed(qreal dpr) { return Filled(245, 153, dpr, QColor(190, 240, 240)); }
QImage WindowIcon(int size) { return Filled(size, size, 1.0, QColor(0, 78, 152)); }
QImage SoundIcon(qreal dpr) { return Filled(16, 16, dpr, QColor(0, 0, 128)); }
QImage HandPointer(qreal dpr) { return Filled(32, 32, dpr, Qt::transparent); }
QImage KeyPointer(qreal dpr) { return Filled(32, 32, dpr, Qt::transparent); }

} // namespace klavet::artwork
