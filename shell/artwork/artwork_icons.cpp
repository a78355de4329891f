// The small pictures: the window icon (a key's silhouette under the name),
// the loudspeaker of the play button, and the two mouse pointers.

#include "artwork.h"

#include "artwork_paint.h"

#include <QPainterPathStroker>
#include <QPolygonF>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace klavet::artwork {

namespace {

const QColor kNavy(0, 0, 128);
const QColor kSilhouette(14, 22, 44);
const QColor kOutlineBlack(0, 0, 0);

QImage Transparent(int width, int height, qreal dpr) {
    return paint::NewImage(width, height, dpr, QImage::Format_ARGB32_Premultiplied, Qt::transparent);
}

// A bold pictogram of the key on a 32-unit grid: base, pivot pillar, lever,
// knob, contact post and the two binding posts. Small icons need parts
// thicker than the picture's true proportions.
QPainterPath KeyPictogram() {
    QPainterPath shape;
    shape.addRoundedRect(QRectF(2.5, 24, 27, 5.5), 2, 2);
    QPainterPath pillar;
    pillar.addPolygon(QPolygonF({{8.5, 24.5}, {13.5, 24.5}, {12.5, 17.5}, {9.5, 17.5}}));
    pillar.closeSubpath();
    pillar.addEllipse(QPointF(11, 17.6), 2.3, 2.3);
    QPainterPath leverLine(QPointF(4.2, 18.8));
    leverLine.lineTo(25.8, 16.6);
    QPainterPathStroker stroker;
    stroker.setWidth(2.2);
    stroker.setCapStyle(Qt::RoundCap);
    QPainterPath knob(QPointF(23.0, 16.5));
    knob.lineTo(23.0, 13.2);
    knob.cubicTo(22.5, 12.6, 20.5, 12.2, 19.6, 12.0);
    knob.lineTo(19.6, 10.2);
    knob.cubicTo(21.5, 8.0, 26.5, 8.0, 28.4, 10.2);
    knob.lineTo(28.4, 12.0);
    knob.cubicTo(27.5, 12.2, 25.5, 12.6, 25.0, 13.2);
    knob.lineTo(25.0, 16.5);
    knob.closeSubpath();
    QPainterPath posts;
    posts.addRect(QRectF(17.2, 18.6, 1.7, 6));
    posts.addRect(QRectF(5.6, 19.6, 1.6, 5));
    posts.addRoundedRect(QRectF(3.6, 21.2, 2.8, 3.3), 0.6, 0.6);
    posts.addRoundedRect(QRectF(25.6, 21.2, 2.8, 3.3), 0.6, 0.6);
    shape = shape.united(pillar).united(stroker.createStroke(leverLine)).united(knob);
    return shape.united(posts.simplified());
}

// The pictogram scaled to fit the box, centred in it.
void DrawSilhouette(QPainter& painter, const QRectF& box) {
    const QPainterPath shape = KeyPictogram();
    const QRectF bounds = shape.boundingRect();
    const qreal scale = std::min(box.width() / bounds.width(), box.height() / bounds.height());
    QTransform fit;
    fit.translate(box.center().x(), box.center().y());
    fit.scale(scale, scale);
    fit.translate(-bounds.center().x(), -bounds.center().y());
    painter.setPen(Qt::NoPen);
    painter.setBrush(kSilhouette);
    painter.drawPath(fit.map(shape));
}

void DrawTile(QPainter& painter, qreal size, const QPainterPath& tile) {
    QLinearGradient face(0, 0, 0, size);
    face.setColorAt(0, QColor(232, 255, 255));
    face.setColorAt(1, QColor(176, 236, 244));
    painter.setPen(Qt::NoPen);
    painter.setBrush(face);
    painter.drawPath(tile);
}

// The name in light capitals on a dark-blue band across the tile's top. At
// 32 pixels and below the strokes fall on whole pixels; larger icons get a
// slightly smaller word with more room around it.
void DrawNameBand(QPainter& painter, qreal unit, const QPainterPath& tile) {
    const QString name = QStringLiteral("KLAVET");
    const qreal band = 11 * unit;
    const qreal letter = unit >= 2 ? unit * 0.82 : unit;
    const qreal width = paint::LetteringWidth(name) * letter;
    painter.save();
    painter.setClipPath(tile);
    painter.fillRect(QRectF(0, 0, 32 * unit, band), paint::kRimBlue);
    const qreal left = unit >= 2 ? (32 * unit - width) / 2 : std::floor((32 - paint::LetteringWidth(name)) / 2);
    const qreal top = unit >= 2 ? (band - 7 * letter) / 2 + unit * 0.3 : 2;
    painter.translate(left, top);
    painter.scale(letter, letter);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(paint::kPanelCyan, 1.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.drawPath(paint::Lettering(name));
    painter.restore();
}

} // namespace

void PaintWindowIcon(QPainter& painter, qreal size) {
    painter.save();
    paint::Prepare(painter);
    const qreal unit = size / 32.0;
    QPainterPath tile;
    tile.addRoundedRect(QRectF(0, 0, size, size), 5 * unit, 5 * unit);
    DrawTile(painter, size, tile);
    const bool named = size >= 32;
    if (named) {
        DrawNameBand(painter, unit, tile);
        DrawSilhouette(painter, QRectF(2 * unit, 12.5 * unit, 28 * unit, 18 * unit));
    } else {
        DrawSilhouette(painter, QRectF(1.5 * unit, 4 * unit, 29 * unit, 24 * unit));
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(paint::kRimBlue, std::max(1.0, unit)));
    const qreal inset = std::max(1.0, unit) / 2;
    painter.drawRoundedRect(QRectF(inset, inset, size - 2 * inset, size - 2 * inset), 5 * unit - inset, 5 * unit - inset);
    painter.restore();
}

QImage WindowIcon(int size) {
    QImage image = Transparent(size, size, 1.0);
    QPainter painter(&image);
    PaintWindowIcon(painter, size);
    return image;
}

QImage SoundIcon(qreal dpr) {
    QImage image = Transparent(16, 16, dpr);
    QPainter painter(&image);
    paint::Prepare(painter);
    QPainterPath speaker;
    speaker.addRect(QRectF(1, 5, 3, 6));
    QPainterPath cone(QPointF(3.5, 5));
    cone.lineTo(8, 1);
    cone.lineTo(8, 15);
    cone.lineTo(3.5, 11);
    cone.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(kNavy);
    painter.drawPath(speaker.united(cone));
    // An eighth note: an oval head, a stem on its right, a flag at the top.
    const QColor blue(0, 64, 255);
    painter.setBrush(blue);
    painter.save();
    painter.translate(11.4, 12.7);
    painter.rotate(-25);
    painter.drawEllipse(QPointF(0, 0), 2.5, 1.8);
    painter.restore();
    painter.drawRect(QRectF(12.9, 2, 1.2, 10.5));
    QPainterPath flag(QPointF(14.0, 2));
    flag.cubicTo(14.3, 4.2, 16.3, 4.6, 15.6, 8.4);
    flag.cubicTo(15.3, 6.4, 14.7, 5.8, 14.0, 5.4);
    flag.closeSubpath();
    painter.drawPath(flag);
    return image;
}

QImage HandPointer(qreal dpr) {
    QImage image = Transparent(32, 32, dpr);
    QPainter painter(&image);
    paint::Prepare(painter);
    // Outline of a hand pointing up: the index finger at the left edge, its
    // flat tip along the very top, three folded fingers to its right, a short cuff.
    QPainterPath hand(QPointF(0.5, 13));
    hand.lineTo(0.5, 1.5);
    hand.quadTo(0.5, 0.5, 1.5, 0.5);
    hand.lineTo(4.5, 0.5);
    hand.quadTo(5.5, 0.5, 5.5, 1.5);
    hand.lineTo(5.5, 10);
    hand.cubicTo(5.5, 8, 9.5, 8, 9.5, 10.5);
    hand.cubicTo(9.5, 8.8, 13.5, 8.8, 13.5, 11.3);
    hand.cubicTo(13.5, 9.8, 17.5, 9.8, 17.5, 12.5);
    hand.lineTo(17.5, 18.5);
    hand.cubicTo(17.5, 21, 16, 22.5, 15.5, 23.5);
    hand.lineTo(5.5, 23.5);
    hand.cubicTo(4, 21, 0.5, 17.5, 0.5, 13);
    hand.closeSubpath();
    painter.setBrush(Qt::white);
    painter.setPen(QPen(kOutlineBlack, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(hand);
    painter.drawLine(QPointF(5.5, 10), QPointF(5.5, 13.5));
    painter.drawLine(QPointF(9.5, 10.5), QPointF(9.5, 13.5));
    painter.drawLine(QPointF(13.5, 11.3), QPointF(13.5, 13.5));
    painter.drawRect(QRectF(5.5, 23.5, 10, 4));
    return image;
}

QImage KeyPointer(qreal dpr) {
    QImage image = Transparent(32, 32, dpr);
    QPainter painter(&image);
    paint::Prepare(painter);
    // A right hand seen from its thumb side, pointing left: the index finger
    // straight out, the thumb along it, the other fingers curled underneath.
    QPainterPath finger;
    finger.addRoundedRect(QRectF(3.6, 13.6, 13.6, 4.8), 2.4, 2.4);
    QPainterPath thumb;
    thumb.addRoundedRect(QRectF(10.5, 10.4, 8, 3.6), 1.8, 1.8);
    QPainterPath curled;
    curled.addEllipse(QPointF(14.2, 19.9), 3.6, 2.1);
    curled.addEllipse(QPointF(15.0, 23.0), 3.4, 2.1);
    curled = curled.simplified();
    QPainterPath back(QPointF(15, 10.5));
    back.cubicTo(18, 9.2, 21, 9, 24, 9.5);
    back.lineTo(24, 25.5);
    back.cubicTo(21, 26.2, 18, 26, 15.5, 24.5);
    back.closeSubpath();
    const QPainterPath hand = finger.united(thumb).united(curled).united(back);
    painter.setBrush(QColor(255, 214, 176));
    painter.setPen(QPen(QColor(84, 44, 20), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(hand);
    painter.setPen(QPen(QColor(150, 90, 56), 0.8, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(12.5, 21.5), QPointF(17, 21.5));
    painter.drawLine(QPointF(12.5, 14.2), QPointF(17, 14.2));
    const QRectF cuff(23.5, 8.5, 7, 18.5);
    QLinearGradient cloth(cuff.topLeft(), cuff.topRight());
    cloth.setColorAt(0, QColor(40, 110, 230));
    cloth.setColorAt(1, QColor(10, 40, 150));
    painter.setBrush(cloth);
    painter.setPen(QPen(QColor(0, 20, 90), 1.0));
    painter.drawRoundedRect(cuff, 1.5, 1.5);
    painter.setPen(QPen(QColor(170, 210, 255), 0.8));
    painter.drawLine(QPointF(25.5, 10), QPointF(25.5, 25.5));
    return image;
}

} // namespace klavet::artwork
