// Paints the parts of the straight key that do not move: the stone base with
// its nameplate and straps, the pillars, the back stop, the contact post, the
// spring cup and the two binding posts.

#include "artwork_key_parts.h"

#include "artwork_paint.h"

namespace klavet::artwork::key {

using paint::Brass;
using paint::ShadedBrass;
using paint::Steel;

// ---- The stone base ------------------------------------------------------

namespace {

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

} // namespace

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

namespace {

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

} // namespace

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

namespace {

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

} // namespace

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

} // namespace klavet::artwork::key
