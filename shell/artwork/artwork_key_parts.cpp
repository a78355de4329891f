#include "artwork_key_parts.h"

#include <QRadialGradient>

namespace klavet::artwork::key {

QTransform LeverFrame(qreal angle) {
    QTransform frame;
    frame.translate(kPivot.x(), kPivot.y());
    frame.rotate(angle);
    return frame;
}

// Half the lever's thickness at a distance along it: it tapers both ways
// from the pivot.
qreal LeverHalf(qreal along) {
    if (along >= 0) {
        return kLeverHalfAtPivot + (kLeverHalfAtTip - kLeverHalfAtPivot) * along / kLeverTip;
    }
    return kLeverHalfAtPivot + (kLeverHalfAtRear - kLeverHalfAtPivot) * along / kLeverRear;
}

// The contact post's top: where the screw tip meets it with the key held.
qreal ContactTop() {
    const qreal tip = LeverHalf(kContactAlong) + kContactTipBelow;
    return LeverFrame(kPressedAngle).map(QPointF(kContactAlong, tip)).y();
}

// The back stop's top: where the lever's rear end rests with the key up.
qreal BackStopTop() {
    const QPointF under(kBackStopAlong, LeverHalf(kBackStopAlong));
    return LeverFrame(kRestAngle).map(under).y();
}

QPainterPath RoundedRect(const QRectF& rect, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

QPainterPath Ellipse(QPointF centre, qreal rx, qreal ry) {
    QPainterPath path;
    path.addEllipse(centre, rx, ry);
    return path;
}

void Fill(QPainter& p, const QPainterPath& path, const QBrush& brush, QColor edge, qreal edgeWidth) {
    p.setPen(edge.isValid() ? QPen(edge, edgeWidth) : QPen(Qt::NoPen));
    p.setBrush(brush);
    p.drawPath(path);
}

// Fine vertical grooves over a knurled part.
void Knurl(QPainter& p, const QRectF& rect, qreal step) {
    p.save();
    p.setClipRect(rect);
    p.setPen(QPen(QColor(90, 58, 12, 150), 0.6));
    for (qreal x = rect.left() + step / 2; x < rect.right(); x += step) {
        p.drawLine(QPointF(x, rect.top()), QPointF(x, rect.bottom()));
    }
    p.restore();
}

// A soft dark patch where a part stands on the stone.
void FootShadow(QPainter& p, QPointF centre, qreal rx, qreal ry) {
    QRadialGradient shade(0, 0, 1);
    shade.setColorAt(0, QColor(30, 30, 36, 110));
    shade.setColorAt(1, QColor(30, 30, 36, 0));
    p.save();
    p.translate(centre);
    p.scale(rx, ry);
    p.setPen(Qt::NoPen);
    p.setBrush(shade);
    p.drawEllipse(QPointF(0, 0), 1, 1);
    p.restore();
}

} // namespace klavet::artwork::key
