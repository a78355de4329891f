#pragma once

// Whether the window system the trainer will use can be reached, asked before
// Qt starts: Qt aborts the program when its X11 plugin cannot connect. Only
// X11 is checked; other platform plugins are left to Qt.

#include <QString>

namespace klavet {

// Why the display cannot be opened, in one line; empty when it can, or when
// the platform plugin Qt will load is not xcb alone. `platform` and `display`
// are the command line's choices, empty when none was made. Without a
// platform choice QT_QPA_PLATFORM decides, and without that Qt's default, xcb;
// without a display choice, DISPLAY.
QString DisplayProblem(const QString& platform, const QString& display);

} // namespace klavet
