#pragma once

// The trainer's pictures, drawn in code so that no image file is read at run
// time. Each function paints at the given device pixel ratio, so that the
// window stays sharp at any display scale; sizes are in logical pixels.

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPoint>

namespace klavet::artwork {

QImage Background(qreal dpr = 1.0); // 394 x 298: light-cyan panel, blurred dark-blue rim
QImage KeyAtRest(qreal dpr = 1.0);  // 245 x 153: straight key, lever up, on the panel's cyan
QImage KeyPressed(qreal dpr = 1.0); // 245 x 153: the same key, lever down
QImage WindowIcon(int size = 32);   // square: key silhouette under "KLAVET"
void PaintWindowIcon(QPainter& painter, qreal size); // the same, on any paint device
QImage SoundIcon(qreal dpr = 1.0);  // 16 x 16: loudspeaker with a musical note
QImage HandPointer(qreal dpr = 1.0); // 32 x 32: pointing hand
QImage KeyPointer(qreal dpr = 1.0);  // 32 x 32: hand from the side, blue cuff

// The window's rounded outline, in pixels: the rectangle from (5, 5) to
// (390, 290) with corners rounded by ellipses 90 pixels wide and high. The
// window is cut to it and the background's rim follows it.
inline constexpr QRectF kWindowOutline{5.0, 5.0, 385.0, 285.0};
inline constexpr qreal kWindowCornerRadius = 45.0;

// The outline as a path.
QPainterPath PanelOutline();

inline constexpr QPoint kHandHotSpot{1, 0};
inline constexpr QPoint kKeyHotSpot{4, 16};

} // namespace klavet::artwork
