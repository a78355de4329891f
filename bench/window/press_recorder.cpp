// Prints the X server's time stamp of every press and release of the first
// pointer button and of the left Ctrl key, from XInput2 raw events on the
// root window, one per line: "press 123456" or "release 123789" for the
// button, "keypress ..." or "keyrelease ..." for the key (milliseconds).
// Runs until killed.

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>

#include <cstdio>

int main() {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 1;
    int opcode = 0, event = 0, error = 0;
    if (!XQueryExtension(display, "XInputExtension", &opcode, &event, &error))
        return 1;
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawButtonPress);
    XISetMask(bits, XI_RawButtonRelease);
    XISetMask(bits, XI_RawKeyPress);
    XISetMask(bits, XI_RawKeyRelease);
    const int control = XKeysymToKeycode(display, XK_Control_L);
    XIEventMask mask{XIAllMasterDevices, sizeof(bits), bits};
    XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
    XFlush(display);
    std::puts("ready");
    std::fflush(stdout);
    for (;;) {
        XEvent ev;
        XNextEvent(display, &ev);
        if (ev.xcookie.type != GenericEvent || ev.xcookie.extension != opcode || !XGetEventData(display, &ev.xcookie))
            continue;
        auto* raw = static_cast<XIRawEvent*>(ev.xcookie.data);
        const char* kind = nullptr;
        switch (ev.xcookie.evtype) {
        case XI_RawButtonPress: kind = raw->detail == 1 ? "press" : nullptr; break;
        case XI_RawButtonRelease: kind = raw->detail == 1 ? "release" : nullptr; break;
        case XI_RawKeyPress: kind = raw->detail == control ? "keypress" : nullptr; break;
        case XI_RawKeyRelease: kind = raw->detail == control ? "keyrelease" : nullptr; break;
        default: break;
        }
        if (kind) {
            std::printf("%s %lu\n", kind, raw->time);
            std::fflush(stdout);
        }
        XFreeEventData(display, &ev.xcookie);
    }
}
