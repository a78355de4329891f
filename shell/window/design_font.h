#pragma once

// The fonts of the window's design. Sizes are points at 96 dots per inch and
// become pixel sizes, so that a caption keeps its size in device-independent
// pixels at any display density. A design face that is not installed, or
// that does not scale, is replaced by Liberation Sans, which has Arial's
// metrics and fits every caption of the design.

#include <QFont>
#include <QString>

namespace klavet {

inline constexpr const char* kSansSerif = "MS Sans Serif";
inline constexpr const char* kArial = "Arial";
inline constexpr const char* kSubstitute = "Liberation Sans";

QFont DesignFont(const QString& family, double points, bool bold = false);

// One look on every desktop (Fusion with its own palette), so that the
// captions fit their controls as designed.
void UseDesignStyle();

} // namespace klavet
