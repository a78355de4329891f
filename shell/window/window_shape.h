#pragma once

// The region the main window is cut to: its rounded outline, pixel by pixel.
// Only the inside is drawn and takes the pointer; the window applies it.

#include <QRegion>

namespace klavet {

// Each pixel row holds the pixels whose centres lie inside the outline; the
// outline's right and bottom edges are excluded.
QRegion WindowShape();

} // namespace klavet
