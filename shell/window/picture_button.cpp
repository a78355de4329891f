#include "picture_button.h"

#include <QPainter>

namespace klavet {

void PictureButton::SetImage(const QImage& image) {
    image_ = image;
    update();
}

// A raised face that sinks while pressed, the image centred on it.
void PictureButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect r = rect();
    const bool down = isDown();
    painter.fillRect(r, face_);
    const QColor light = down ? QColor(128, 128, 128) : QColor(255, 255, 255);
    const QColor dark = down ? QColor(255, 255, 255) : QColor(64, 64, 64);
    painter.setPen(light);
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(dark);
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
    if (!image_.isNull()) {
        QSizeF size = image_.deviceIndependentSize();
        QPointF corner((r.width() - size.width()) / 2.0, (r.height() - size.height()) / 2.0);
        if (down)
            corner += QPointF(1, 1);
        painter.drawImage(corner, image_);
    }
    if (hasFocus()) {
        painter.setPen(QPen(QColor(0, 0, 0), 1, Qt::DotLine));
        painter.drawRect(r.adjusted(2, 2, -3, -3));
    }
}

} // namespace klavet
