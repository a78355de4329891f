#include "window_shape.h"

#include "artwork.h"

#include <algorithm>
#include <cmath>

namespace klavet {

QRegion WindowShape() {
    const QRectF outline = artwork::kWindowOutline;
    const double radius = artwork::kWindowCornerRadius;
    const double left = outline.left(), top = outline.top();
    const double right = outline.right(), bottom = outline.bottom();
    QRegion shape;
    for (int y = static_cast<int>(top); y < static_cast<int>(bottom); ++y) {
        double centre = y + 0.5;
        double dy = 0;
        if (centre < top + radius)
            dy = top + radius - centre;
        else if (centre > bottom - radius)
            dy = centre - (bottom - radius);
        double dx = radius * std::sqrt(std::max(0.0, 1.0 - (dy / radius) * (dy / radius)));
        int from = static_cast<int>(std::lround(left + radius - dx));
        int to = static_cast<int>(std::lround(right - radius + dx));
        shape += QRect(from, y, to - from, 1);
    }
    return shape;
}

} // namespace klavet
