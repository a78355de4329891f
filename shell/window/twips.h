#pragma once

// The design's unit: positions and sizes are given in twips, 15 to the pixel
// at the standard display density. Conversion only; nothing is placed here.

#include <QRect>

namespace klavet {

// Pixels of a length in twips, to the nearest pixel.
constexpr int Px(int twips) { return (twips + 7) / 15; }

// A rectangle given in twips (left, top, width, height), in pixels.
constexpr QRect FromTwips(const QRect& twips) {
    return QRect(Px(twips.x()), Px(twips.y()), Px(twips.width()), Px(twips.height()));
}

} // namespace klavet
