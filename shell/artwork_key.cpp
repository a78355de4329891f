// Paints the straight key part by part: the stone base, the fixed posts, then
// the lever with its knob, spring and contact screw, turned about the pivot.
// Only the lever group depends on the angle, so the two poses differ only there.

#include "artwork_key.h"

#include "artwork_paint.h"

#include <QRadialGradient>
#include <QTransform>

#include <cmath>

namespace klavet::artwork::key {

namespace {

using paint::Brass;
using paint::ShadedBrass;
using paint::Steel;

const QColor kBrassEdge(96, 62, 14);
const QColor kStoneEdge(70, 72, 78);

constexpr QRectF kSlab{8.0, kBaseTop, 226.0, 46.0};
constexpr QRectF kTopFace{8.0, kBaseTop, 226.0, 28.0};
constexpr qreal kSlabRadius = 12.0;
// Heights in the lever's frame are measured from its centre line, up negative.
constexpr qreal kKnobTopLocal = -45.0;
constexpr qreal kKnobDiscTop = -38.5;
constexpr qreal kKnobDiscBottom = -30.5;
constexpr qreal kKnobRadius = 19.0;
constexpr qreal kFerruleTop = -17.0;
constexpr qreal kLeverHalfAtPivot = 7.0;
constexpr qreal kLeverHalfAtTip = 4.0;
constexpr qreal kLeverHalfAtRear = 4.5;
constexpr qreal kLeverTip = 134.0;
constexpr qreal kLeverRear = -44.0;
constexpr qreal kContactTipBelow = 5.5;   // contact screw tip, below the lever's underside
constexpr qreal kContactAlong = 70.0;     // contact screw, from the pivot
constexpr qreal kSpringAlong = 40.0;      // spring and its tension screw
constexpr qreal kBackStopAlong = -38.0;   // rear end resting on the back stop
constexpr qreal kSpringCupTop = 86.0;
constexpr qreal kLeftTerminalX = 21.0;
constexpr qreal kRightTerminalX = 221.0;
constexpr qreal kTerminalFoot = 121.0;

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

void Fill(QPainter& p, const QPainterPath& path, const QBrush& brush, QColor edge, qreal edgeWidth = 0.7) {
    p.setPen(edge.isValid() ? QPen(edge, edgeWidth) : QPen(Qt::NoPen));
    p.setBrush(brush);
    p.drawPath(path);
}

// Fine vertical grooves over a knurled part.
void Knurl(QPainter& p, const QRectF& rect, qreal step = 1.6) {
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

// ---- The stone base ------------------------------------------------------

void PaintBaseShadow(QPainter& p) {
    FootShadow(p, QPointF(121, 143), 116, 8);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(36, 36, 40));
    p.drawRoundedRect(QRectF(22, 138, 18, 7), 2.5, 2.5);
    p.drawRoundedRect(QRectF(202, 138, 18, 7), 2.5, 2.5);
}

void PaintSpeckles(QPainter& p) {
    paint::Repeatable random(20260);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 700; ++i) {
        const QPointF at(random.Between(kSlab.left(), kSlab.right()),
                         random.Between(kSlab.top(), kSlab.bottom()));
        const qreal radius = random.Between(0.3, 1.0);
        const int grey = random.Next() < 0.6 ? qRound(random.Between(70, 120))
                                             : qRound(random.Between(225, 250));
        p.setBrush(QColor(grey, grey, grey + 4, qRound(random.Between(70, 170))));
        p.drawEllipse(at, radius, radius * random.Between(0.6, 1.0));
    }
}

void PaintVeins(QPainter& p) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 70), 1.1));
    QPainterPath light(QPointF(14, 104));
    light.cubicTo(60, 98, 80, 120, 130, 108);
    light.cubicTo(170, 100, 190, 122, 236, 112);
    p.drawPath(light);
    p.setPen(QPen(QColor(60, 62, 70, 60), 0.9));
    QPainterPath dark(QPointF(20, 132));
    dark.cubicTo(70, 124, 110, 142, 150, 130);
    dark.cubicTo(180, 122, 200, 136, 232, 128);
    p.drawPath(dark);
}

void PaintNameplate(QPainter& p) {
    const QRectF plate(96, 127, 52, 11);
    Fill(p, RoundedRect(plate, 2), Brass(plate.topLeft(), plate.bottomLeft()), kBrassEdge, 0.6);
    const QString name = QStringLiteral("KLAVET");
    const qreal scale = 0.95;
    const qreal width = paint::LetteringWidth(name) * scale;
    p.save();
    p.translate(plate.center().x() - width / 2, plate.top() + 2.2);
    p.scale(scale, scale);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 244, 200, 160), 0.9, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawPath(paint::Lettering(name).translated(0.35, 0.35));
    p.setPen(QPen(QColor(70, 44, 8), 0.9, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawPath(paint::Lettering(name));
    p.restore();
    for (qreal x : {plate.left() + 3.5, plate.right() - 3.5}) {
        const QPointF at(x, plate.center().y());
        Fill(p, Ellipse(at, 1.6, 1.6), Steel(at - QPointF(1.6, 1.6), at + QPointF(1.6, 1.6)), QColor(70, 70, 76), 0.4);
    }
}

void PaintBase(QPainter& p) {
    PaintBaseShadow(p);
    const QPainterPath slab = RoundedRect(kSlab, kSlabRadius);
    QLinearGradient front(0, kTopFace.bottom() - 8, 0, kSlab.bottom());
    front.setColorAt(0, QColor(150, 153, 160));
    front.setColorAt(1, QColor(96, 98, 106));
    Fill(p, slab, front, QColor());
    const QPainterPath top = RoundedRect(kTopFace, kSlabRadius);
    QLinearGradient face(0, kTopFace.top(), 0, kTopFace.bottom());
    face.setColorAt(0, QColor(200, 203, 210));
    face.setColorAt(0.6, QColor(222, 224, 228));
    face.setColorAt(1, QColor(186, 189, 196));
    Fill(p, top, face, QColor());
    p.save();
    p.setClipPath(slab);
    PaintSpeckles(p);
    PaintVeins(p);
    p.restore();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 150), 0.9));
    p.drawPath(RoundedRect(kTopFace.adjusted(1, 1, -1, -0.5), kSlabRadius - 1));
    p.setPen(QPen(kStoneEdge, 0.9));
    p.drawPath(slab);
    PaintNameplate(p);
}

// Flat brass straps that join the terminals to the pivot and to the contact.
void PaintStraps(QPainter& p) {
    const QPolygonF left({{kLeftTerminalX + 2, 117}, {kLeftTerminalX + 6, 119}, {70, 111}, {66, 109}});
    const QPolygonF right({{kRightTerminalX - 2, 117}, {kRightTerminalX - 6, 119}, {kContactX + 2, 113}, {kContactX + 6, 111}});
    for (const QPolygonF& strap : {left, right}) {
        QPainterPath path;
        path.addPolygon(strap);
        path.closeSubpath();
        Fill(p, path, ShadedBrass(strap.boundingRect().topLeft(), strap.boundingRect().bottomLeft()), kBrassEdge, 0.5);
    }
}

// ---- The fixed posts -----------------------------------------------------

QPainterPath PillarShape(QPointF offset = {}) {
    QPainterPath body;
    body.moveTo(67, 110);
    body.lineTo(93, 110);
    body.lineTo(89, kPivot.y());
    body.lineTo(71, kPivot.y());
    body.closeSubpath();
    QPainterPath pillar = body.united(Ellipse(kPivot, 9, 9));
    pillar = pillar.united(RoundedRect(QRectF(61, 105, 38, 8), 3));
    return pillar.translated(offset);
}

void PaintRearPillar(QPainter& p) {
    const QPointF offset(5, -3);
    Fill(p, PillarShape(offset), ShadedBrass(QPointF(74, 0), QPointF(96, 0)), kBrassEdge);
}

void PaintFrontPillar(QPainter& p) {
    Fill(p, PillarShape(), Brass(QPointF(70, 0), QPointF(92, 0)), kBrassEdge);
    const QRectF plate(61, 105, 38, 8);
    Fill(p, RoundedRect(plate, 3), Brass(plate.topLeft(), plate.bottomLeft()), kBrassEdge);
    for (qreal x : {65.0, 95.0}) {
        const QPointF at(x, 109);
        Fill(p, Ellipse(at, 1.8, 1.4), Steel(at - QPointF(2, 2), at + QPointF(2, 2)), QColor(60, 60, 66), 0.4);
    }
    // The axle's screw head, with its slot.
    QRadialGradient head(kPivot - QPointF(1.5, 1.5), 5.5);
    head.setColorAt(0, QColor(250, 250, 252));
    head.setColorAt(0.6, QColor(170, 176, 184));
    head.setColorAt(1, QColor(90, 96, 106));
    Fill(p, Ellipse(kPivot, 4.6, 4.6), head, QColor(50, 52, 58), 0.6);
    p.setPen(QPen(QColor(50, 52, 58), 1.0));
    p.drawLine(kPivot + QPointF(-3, 2), kPivot + QPointF(3, -2));
}

// A brass column on a round foot, ending in a steel contact at top.
void PaintColumn(QPainter& p, qreal x, qreal top, qreal foot) {
    const QRectF flange(x - 7, foot - 5, 14, 6);
    Fill(p, RoundedRect(flange, 3), Brass(flange.topLeft(), flange.bottomLeft()), kBrassEdge);
    const QRectF column(x - 3.5, top + 3, 7, foot - top - 6);
    Fill(p, RoundedRect(column, 1), Brass(column.topLeft(), column.topRight()), kBrassEdge);
    const QRectF nut(x - 6, top + 14, 12, 6);
    Fill(p, RoundedRect(nut, 1), Brass(nut.topLeft(), nut.topRight()), kBrassEdge);
    Knurl(p, nut);
    const QRectF contact(x - 3.5, top, 7, 3.5);
    Fill(p, RoundedRect(contact, 1.2), Steel(contact.topLeft(), contact.topRight()), QColor(60, 62, 70), 0.5);
}

void PaintSpringCup(QPainter& p, qreal x) {
    const qreal foot = 111;
    const QRectF flange(x - 6, foot - 4, 12, 5);
    Fill(p, RoundedRect(flange, 2.5), Brass(flange.topLeft(), flange.bottomLeft()), kBrassEdge);
    const QRectF cup(x - 5.5, kSpringCupTop, 11, foot - kSpringCupTop - 3);
    QPainterPath path;
    path.moveTo(cup.topLeft());
    path.lineTo(cup.topRight());
    path.lineTo(cup.right() - 2, cup.bottom());
    path.lineTo(cup.left() + 2, cup.bottom());
    path.closeSubpath();
    Fill(p, path, Brass(cup.topLeft(), cup.topRight()), kBrassEdge);
}

// A binding post: flange, hexagonal nut, a stem with its wire hole, knurled cap.
void PaintTerminal(QPainter& p, qreal x) {
    const qreal foot = kTerminalFoot;
    FootShadow(p, QPointF(x + 2, foot), 11, 3);
    const QRectF flange(x - 8, foot - 4, 16, 5);
    Fill(p, RoundedRect(flange, 2.5), Brass(flange.topLeft(), flange.bottomLeft()), kBrassEdge);
    const QRectF nut(x - 6, foot - 10, 12, 7);
    Fill(p, RoundedRect(nut, 0.8), Brass(nut.topLeft(), nut.topRight()), kBrassEdge);
    p.setPen(QPen(QColor(110, 72, 16, 160), 0.6));
    p.drawLine(QPointF(x - 2, nut.top()), QPointF(x - 2, nut.bottom()));
    p.drawLine(QPointF(x + 2, nut.top()), QPointF(x + 2, nut.bottom()));
    const QRectF stem(x - 2.5, foot - 15, 5, 5.5);
    Fill(p, RoundedRect(stem, 0.5), Steel(stem.topLeft(), stem.topRight()), QColor(70, 72, 80), 0.5);
    Fill(p, Ellipse(QPointF(x, foot - 12.2), 1.1, 1.1), QColor(30, 30, 34), QColor());
    const QRectF cap(x - 6.5, foot - 25, 13, 10);
    Fill(p, RoundedRect(cap, 1.5), Brass(cap.topLeft(), cap.topRight()), kBrassEdge);
    Knurl(p, cap.adjusted(0.5, 1.5, -0.5, -1.5));
    Fill(p, Ellipse(QPointF(x, cap.top()), 5.5, 1.6), Brass(cap.topLeft(), cap.topRight()), kBrassEdge, 0.5);
}

void PaintFixedParts(QPainter& p) {
    PaintStraps(p);
    FootShadow(p, QPointF(82, 111), 24, 4);
    FootShadow(p, QPointF(kContactX + 2, 111), 10, 3);
    FootShadow(p, QPointF(kPivot.x() + kBackStopAlong + 2, 111), 10, 3);
    FootShadow(p, QPointF(kPivot.x() + kSpringAlong + 2, 111), 9, 3);
    PaintRearPillar(p);
    PaintColumn(p, kPivot.x() + kBackStopAlong, BackStopTop(), 111);
    PaintColumn(p, kContactX, ContactTop(), 112);
    PaintSpringCup(p, kPivot.x() + kSpringAlong);
    PaintTerminal(p, kLeftTerminalX);
    PaintTerminal(p, kRightTerminalX);
}

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
