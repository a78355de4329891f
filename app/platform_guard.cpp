#include "platform_guard.h"

#include "argument_text.h"
#include "terminal_line.h"

#include <QCoreApplication>
#include <QtGlobal>

#include <cstdlib>
#include <string>

namespace klavet {

namespace {

QtMessageHandler previous = nullptr;
std::string program;
std::string line;

// Qt warns of the plugin it could not load before its fatal message: both
// give way to the one line.
void OnMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtFatalMsg) {
        SayOnStandardError(program, line);
        std::_Exit(1);
    }
    const bool aboutThePlugin = context.category && QByteArray(context.category).startsWith("qt.qpa");
    if (!aboutThePlugin && previous)
        previous(type, context, message);
}

} // namespace

// The line is worded now, while the application object that speaks the
// user's language is there; the one being made when Qt fails is not yet.
PlatformGuard::PlatformGuard(const QString& programName, const QString& pluginName) {
    program = ArgumentBytes(programName);
    line = ArgumentBytes(
        QCoreApplication::translate("PlatformGuard",
                                    "impossible de démarrer le greffon de plateforme Qt « %1 » : Klavet "
                                    "fonctionne sous X11 (le greffon xcb), ou XWayland.")
            .arg(pluginName));
    previous = qInstallMessageHandler(OnMessage);
}

PlatformGuard::~PlatformGuard() {
    qInstallMessageHandler(previous);
}

} // namespace klavet
