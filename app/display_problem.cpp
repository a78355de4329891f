#include "display_problem.h"

#include <QCoreApplication>
#include <QStringList>

#include <xcb/xcb.h>

namespace klavet {

namespace {

// Qt tries the plugins of a list such as "wayland;xcb" in turn, each perhaps
// with options after a colon ("xcb:option"): only a list of xcb alone is
// certain to need an X display.
bool OnlyXcb(const QString& plugins) {
    for (const QString& plugin : plugins.split(';', Qt::SkipEmptyParts))
        if (plugin.section(':', 0, 0) != "xcb")
            return false;
    return true;
}

} // namespace

QString DisplayProblem(const QString& platform, const QString& display) {
    QString plugins = platform;
    if (plugins.isEmpty())
        plugins = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (!plugins.isEmpty() && !OnlyXcb(plugins))
        return {};

    const QString name = display.isEmpty() ? qEnvironmentVariable("DISPLAY") : display;
    if (name.isEmpty())
        return QCoreApplication::translate(
            "DisplayProblem", "Pas d'affichage X : DISPLAY n'est pas défini, et l'entraîneur a besoin de X11 "
                              "(ou de XWayland).");
    xcb_connection_t* connection = xcb_connect(name.toLocal8Bit().constData(), nullptr);
    const bool failed = xcb_connection_has_error(connection) != 0;
    xcb_disconnect(connection);
    if (failed)
        return QCoreApplication::translate("DisplayProblem", "Impossible d'ouvrir l'affichage X « %1 ».").arg(name);
    return {};
}

} // namespace klavet
