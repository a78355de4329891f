#pragma once

// Watches the toolkit while it starts its platform plugin: where Qt would
// abort with several lines of advice (a plugin that is not installed, or that
// cannot reach its window system), the program says so in one line and exits
// with status 1 instead. It checks nothing itself and watches nothing after.

#include <QString>

namespace klavet {

class PlatformGuard {
public:
    // `program` names the program in the line; `plugin` is the platform plugin
    // asked for ("wayland"), as given or from QT_QPA_PLATFORM, "xcb" when none.
    PlatformGuard(const QString& programName, const QString& pluginName);
    ~PlatformGuard();
    PlatformGuard(const PlatformGuard&) = delete;
    PlatformGuard& operator=(const PlatformGuard&) = delete;
};

} // namespace klavet
