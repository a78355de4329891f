#pragma once

// The straight key's dimensions and the few drawing helpers that its parts
// share, for the files that paint the key: the fixed parts on the stone and
// the lever group. It paints no part itself.

#include "artwork_key.h"

#include <QBrush>
#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>

namespace klavet::artwork::key {

inline const QColor kBrassEdge(96, 62, 14);
inline const QColor kStoneEdge(70, 72, 78);

inline constexpr QRectF kSlab{8.0, kBaseTop, 226.0, 46.0};
inline constexpr QRectF kTopFace{8.0, kBaseTop, 226.0, 28.0};
inline constexpr qreal kSlabRadius = 12.0;
// Heights in the lever's frame are measured from its centre line, up negative.
inline constexpr qreal kKnobTopLocal = -45.0;
inline constexpr qreal kKnobDiscTop = -38.5;
inline constexpr qreal kKnobDiscBottom = -30.5;
inline constexpr qreal kKnobRadius = 19.0;
inline constexpr qreal kFerruleTop = -17.0;
inline constexpr qreal kLeverHalfAtPivot = 7.0;
inline constexpr qreal kLeverHalfAtTip = 4.0;
inline constexpr qreal kLeverHalfAtRear = 4.5;
inline constexpr qreal kLeverTip = 134.0;
inline constexpr qreal kLeverRear = -44.0;
inline constexpr qreal kContactTipBelow = 5.5;   // contact screw tip, below the lever's underside
inline constexpr qreal kContactAlong = 70.0;     // contact screw, from the pivot
inline constexpr qreal kSpringAlong = 40.0;      // spring and its tension screw
inline constexpr qreal kBackStopAlong = -38.0;   // rear end resting on the back stop
inline constexpr qreal kSpringCupTop = 86.0;
inline constexpr qreal kLeftTerminalX = 21.0;
inline constexpr qreal kRightTerminalX = 221.0;
inline constexpr qreal kTerminalFoot = 121.0;

// The lever's frame for a given angle: pivot at the origin, x along the lever.
QTransform LeverFrame(qreal angle);
// Half the lever's thickness at a distance along it.
qreal LeverHalf(qreal along);
// The contact post's top: where the screw tip meets it with the key held.
qreal ContactTop();
// The back stop's top: where the lever's rear end rests with the key up.
qreal BackStopTop();

QPainterPath RoundedRect(const QRectF& rect, qreal radius);
QPainterPath Ellipse(QPointF centre, qreal rx, qreal ry);
void Fill(QPainter& p, const QPainterPath& path, const QBrush& brush, QColor edge, qreal edgeWidth = 0.7);
// Fine vertical grooves over a knurled part.
void Knurl(QPainter& p, const QRectF& rect, qreal step = 1.6);
// A soft dark patch where a part stands on the stone.
void FootShadow(QPainter& p, QPointF centre, qreal rx, qreal ry);

// The parts that do not move, painted below the lever group, and the front
// pillar, painted over it.
void PaintBase(QPainter& p);
void PaintFixedParts(QPainter& p);
void PaintFrontPillar(QPainter& p);

} // namespace klavet::artwork::key
