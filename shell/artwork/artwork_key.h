#pragma once

// The straight Morse key: a brass lever on a trunnion, a black knob at the
// front, a contact, a spring and two binding posts on a grey stone base. Seen
// from the side, slightly from above. Coordinates are those of the 245 x 153
// key pictures, in logical pixels.

#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>

namespace klavet::artwork::key {

inline constexpr int kWidth = 245;
inline constexpr int kHeight = 153;
inline constexpr int kShownWidth = 241;  // the columns the picture box shows

inline constexpr QPointF kPivot{80.0, 54.0};
inline constexpr qreal kRestAngle = -2.0;    // degrees, knob end up
inline constexpr qreal kPressedAngle = 2.5;  // degrees, knob end down, contact closed
inline constexpr qreal kKnobAlong = 126.0;   // knob centre along the lever from the pivot

// Everything that moves between the two poses lies in this box; everything
// else is painted identically. It ends above the stone base.
inline constexpr QRectF kLeverBounds{26.0, 0.0, 204.0, 96.0};
inline constexpr qreal kBaseTop = 96.0;  // the back edge of the stone's top face
inline constexpr qreal kContactX = 150.0; // the contact post, under the lever's contact screw

// Centre of the knob's top, in picture coordinates, for the given lever angle.
QPointF KnobTop(qreal angle);

// Paints the whole key on an already cleared picture.
void Paint(QPainter& painter, qreal angle);

} // namespace klavet::artwork::key
