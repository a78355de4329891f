// Paints the straight key part by part: the stone base, the fixed posts, then
// the lever with its knob, spring and contact screw, turned about the pivot.
// Only the lever group depends on the angle, so the two poses differ only there.

#include "artwork_key.h"

#include "artwork_key_parts.h"
#include "artwork_paint.h"

#include <QRadialGradient>

#include <cmath>

namespace klavet::artwork::key {

namespace {

using paint::Brass;
using paint::ShadedBrass;
using paint::Steel;

// ---- The lever, in its own frame: pivot at the origin, x along the lever --

QPainterPath LeverShape() {
    const qreal tip = kLeverHalfAtTip;
    const qreal rear = kLeverHalfAtRear;
    QPainterPath lever;
    lever.moveTo(kLeverRear, -rear);
    lever.lineTo(0, -kLeverHalfAtPivot);
    lever.lineTo(kLeverTip, -tip);
    lever.quadTo(kLeverTip + tip + 1, -tip, kLeverTip + tip + 1, 0);
    lever.quadTo(kLeverTip + tip + 1, tip, kLeverTip, tip);
    lever.lineTo(0, kLeverHalfAtPivot);
    lever.lineTo(kLeverRear, rear);
    lever.quadTo(kLeverRear - rear - 1, rear, kLeverRear - rear - 1, 0);
    lever.quadTo(kLeverRear - rear - 1, -rear, kLeverRear, -rear);
    return lever;
}

QPainterPath KnobShape() {
    const qreal c = kKnobAlong;
    const qreal rim = kKnobRadius;
    // A mushroom of black bakelite: a narrow neck flaring into a wide disc
    // with a gently domed top.
    const qreal dome = (8 * kKnobTopLocal - 2 * kKnobDiscTop) / 6;  // puts the apex on kKnobTopLocal
    QPainterPath knob;
    knob.moveTo(c - 6, kFerruleTop);
    knob.cubicTo(c - 7, kFerruleTop - 8, c - rim + 2, kKnobDiscBottom + 1, c - rim, kKnobDiscBottom);
    knob.lineTo(c - rim, kKnobDiscTop + 1.5);
    knob.quadTo(c - rim, kKnobDiscTop, c - rim + 2, kKnobDiscTop);
    knob.cubicTo(c - 10, dome, c + 10, dome, c + rim - 2, kKnobDiscTop);
    knob.quadTo(c + rim, kKnobDiscTop, c + rim, kKnobDiscTop + 1.5);
    knob.lineTo(c + rim, kKnobDiscBottom);
    knob.cubicTo(c + rim - 2, kKnobDiscBottom + 1, c + 7, kFerruleTop - 8, c + 6, kFerruleTop);
    knob.closeSubpath();
    return knob;
}

QRectF FerruleRect() { return QRectF(kKnobAlong - 4.5, kFerruleTop - 1, 9, -kFerruleTop - 2); }

void PaintKnob(QPainter& p) {
    const qreal c = kKnobAlong;
    const qreal rim = kKnobRadius;
    const QRectF ferrule = FerruleRect();
    Fill(p, RoundedRect(ferrule, 1), Brass(ferrule.topLeft(), ferrule.topRight()), kBrassEdge);
    const QRectF collar(c - 6, -7.5, 12, 3.5);
    Fill(p, RoundedRect(collar, 1), Brass(collar.topLeft(), collar.topRight()), kBrassEdge);
    QLinearGradient bakelite(c - rim, 0, c + rim, 0);
    bakelite.setColorAt(0, QColor(30, 30, 34));
    bakelite.setColorAt(0.27, QColor(110, 112, 120));
    bakelite.setColorAt(0.5, QColor(34, 34, 38));
    bakelite.setColorAt(1, QColor(6, 6, 8));
    Fill(p, KnobShape(), bakelite, QColor(0, 0, 0), 0.8);
    // The disc's lower edge, the top's rim catching the light, a gleam on the dome.
    p.setPen(QPen(QColor(0, 0, 0, 220), 0.9));
    p.drawLine(QPointF(c - rim + 0.5, kKnobDiscBottom), QPointF(c + rim - 0.5, kKnobDiscBottom));
    p.setPen(QPen(QColor(170, 172, 180, 130), 0.7));
    p.drawLine(QPointF(c - rim + 1.5, kKnobDiscTop + 0.8), QPointF(c + rim - 1.5, kKnobDiscTop + 0.8));
    QRadialGradient gleam(0, 0, 1);
    gleam.setColorAt(0, QColor(255, 255, 255, 170));
    gleam.setColorAt(1, QColor(255, 255, 255, 0));
    p.save();
    p.translate(c - 7, kKnobTopLocal + 3);
    p.scale(7.5, 1.8);
    p.setPen(Qt::NoPen);
    p.setBrush(gleam);
    p.drawEllipse(QPointF(0, 0), 1, 1);
    p.restore();
}

void PaintContactScrew(QPainter& p) {
    const qreal x = kContactAlong;
    const QRectF nut(x - 5, -LeverHalf(x) - 5, 10, 5.5);
    Fill(p, RoundedRect(nut, 1), Brass(nut.topLeft(), nut.topRight()), kBrassEdge);
    Knurl(p, nut);
    const qreal under = LeverHalf(x);
    const QRectF stem(x - 2, under - 0.5, 4, kContactTipBelow - 2);
    Fill(p, RoundedRect(stem, 0.4), Steel(stem.topLeft(), stem.topRight()), QColor(70, 72, 80), 0.5);
    const QRectF tip(x - 3, under + kContactTipBelow - 3, 6, 3);
    Fill(p, RoundedRect(tip, 1.2), Steel(tip.topLeft(), tip.topRight()), QColor(60, 62, 70), 0.5);
}

void PaintTensionScrew(QPainter& p) {
    const qreal x = kSpringAlong;
    const QRectF rod(x - 1.2, 0, 2.4, 26);
    Fill(p, RoundedRect(rod, 0.5), Steel(rod.topLeft(), rod.topRight()), QColor(80, 82, 90), 0.4);
    const QRectF head(x - 5.5, -LeverHalf(x) - 6.5, 11, 7);
    Fill(p, RoundedRect(head, 1.5), Brass(head.topLeft(), head.topRight()), kBrassEdge);
    Knurl(p, head.adjusted(0.5, 1, -0.5, -1));
}

void PaintLever(QPainter& p, qreal angle) {
    p.save();
    p.setTransform(LeverFrame(angle), true);
    PaintTensionScrew(p);
    Fill(p, Ellipse(QPointF(0, 0), 11, 11), Brass(QPointF(-11, -11), QPointF(11, 11)), kBrassEdge);
    Fill(p, LeverShape(), Brass(QPointF(0, -6), QPointF(0, 6)), kBrassEdge);
    p.setPen(QPen(QColor(255, 250, 220, 150), 0.8));
    p.drawLine(QPointF(kLeverRear, -kLeverHalfAtRear + 1.4), QPointF(0, -kLeverHalfAtPivot + 1.6));
    p.drawLine(QPointF(0, -kLeverHalfAtPivot + 1.6), QPointF(kLeverTip, -kLeverHalfAtTip + 1.2));
    PaintContactScrew(p);
    PaintKnob(p);
    p.restore();
}

// The coil between the cup and the lever's underside: back halves of the
// turns first, in shade, then the front halves in bright steel.
void PaintSpring(QPainter& p, qreal angle) {
    const qreal x = kPivot.x() + kSpringAlong;
    const qreal top = LeverFrame(angle).map(QPointF(kSpringAlong, LeverHalf(kSpringAlong) - 0.5)).y();
    const qreal bottom = kSpringCupTop;
    const int turns = 7;
    const qreal pitch = (bottom - top) / turns;
    const qreal half = 4.2;
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(80, 84, 92), 1.1, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < turns; ++i) {
        const qreal y = bottom - i * pitch;
        p.drawLine(QPointF(x + half, y - pitch / 2), QPointF(x - half, y - pitch));
    }
    for (int i = 0; i < turns; ++i) {
        const qreal y = bottom - i * pitch;
        QLinearGradient wire(x - half, 0, x + half, 0);
        wire.setColorAt(0, QColor(120, 126, 136));
        wire.setColorAt(0.35, QColor(245, 247, 250));
        wire.setColorAt(1, QColor(110, 116, 126));
        p.setPen(QPen(QBrush(wire), 1.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(x - half, y), QPointF(x + half, y - pitch / 2));
    }
}

} // namespace

QPointF KnobTop(qreal angle) {
    return LeverFrame(angle).map(QPointF(kKnobAlong, kKnobTopLocal));
}

void Paint(QPainter& painter, qreal angle) {
    painter.save();
    PaintBase(painter);
    PaintFixedParts(painter);
    PaintSpring(painter, angle);
    PaintLever(painter, angle);
    PaintFrontPillar(painter);
    painter.restore();
}

} // namespace klavet::artwork::key

