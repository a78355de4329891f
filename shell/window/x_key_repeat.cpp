#include "x_key_repeat.h"

#include <QGuiApplication>

#include <X11/XKBlib.h>

namespace klavet {

void AskForDetectableKeyRepeat() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display)
        return;
    Bool supported = False;
    XkbSetDetectableAutoRepeat(display, True, &supported);
    XFlush(display);
}

} // namespace klavet
