#include "platform_guard.h"

#include "argument_text.h"
#include "terminal_line.h"

#include <QtGlobal>

#include <cstdlib>
#include <string>

namespace klavet {

namespace {

QtMessageHandler previous = nullptr;
std::string program;
std::string plugin;

// Qt warns of the plugin it could not load before its fatal message: both
// give way to the one line.
void OnMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtFatalMsg) {
        SayOnStandardError(program, "cannot start Qt's platform plugin '" + plugin +
                                        "': Klavet runs on X11 (the xcb plugin), or XWayland.");
        std::_Exit(1);
    }
    const bool aboutThePlugin = context.category && QByteArray(context.category).startsWith("qt.qpa");
    if (!aboutThePlugin && previous)
        previous(type, context, message);
}

} // namespace

PlatformGuard::PlatformGuard(const QString& programName, const QString& pluginName) {
    program = ArgumentBytes(programName);
    plugin = ArgumentBytes(pluginName);
    previous = qInstallMessageHandler(OnMessage);
}

PlatformGuard::~PlatformGuard() {
    qInstallMessageHandler(previous);
}

} // namespace klavet
