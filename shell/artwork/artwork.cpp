// The window background and the two key pictures. The background is a flat
// light-cyan panel whose edge darkens smoothly into a dark-blue rim along the
// window's rounded outline; the key pictures paint the key on the same cyan.

#include "artwork.h"

#include "artwork_key.h"
#include "artwork_paint.h"

#include <algorithm>
#include <cmath>

namespace klavet::artwork {

namespace {

constexpr qreal kRimWidth = 11.0;

// How much of the panel colour shows at a distance from the outline.
qreal RimFade(qreal inside) {
    const qreal t = std::clamp((inside - 1.0) / (kRimWidth - 1.0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

QColor Mix(QColor from, QColor to, qreal t) {
    return QColor::fromRgbF(from.redF() + (to.redF() - from.redF()) * t,
                            from.greenF() + (to.greenF() - from.greenF()) * t,
                            from.blueF() + (to.blueF() - from.blueF()) * t);
}

QImage KeyPicture(qreal dpr, qreal angle) {
    QImage image = paint::NewImage(key::kWidth, key::kHeight, dpr, QImage::Format_RGB32, paint::kPanelCyan);
    QPainter painter(&image);
    paint::Prepare(painter);
    key::Paint(painter, angle);
    return image;
}

} // namespace

QPainterPath PanelOutline() {
    QPainterPath outline;
    outline.addRoundedRect(kWindowOutline, kWindowCornerRadius, kWindowCornerRadius);
    return outline;
}

QImage Background(qreal dpr) {
    QImage image = paint::NewImage(394, 298, dpr, QImage::Format_RGB32, paint::kRimBlue);
    QPainter painter(&image);
    paint::Prepare(painter);
    painter.setPen(Qt::NoPen);
    // Nested rounded rectangles, each inset a little further and a little
    // nearer the panel colour, blur the rim while following the outline.
    const qreal step = 0.5;
    for (qreal inside = 0; inside <= kRimWidth; inside += step) {
        const QRectF rect = kWindowOutline.adjusted(inside, inside, -inside, -inside);
        const qreal radius = kWindowCornerRadius - inside;
        painter.setBrush(Mix(paint::kRimBlue, paint::kPanelCyan, RimFade(inside)));
        painter.drawRoundedRect(rect, radius, radius);
    }
    return image;
}

QImage KeyAtRest(qreal dpr) { return KeyPicture(dpr, key::kRestAngle); }
QImage KeyPressed(qreal dpr) { return KeyPicture(dpr, key::kPressedAngle); }

} // namespace klavet::artwork
