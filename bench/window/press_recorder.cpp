// Prints the X server's time stamp of every pointer button press and
// release, from XInput2 raw events on the root window, one per line:
// "press 123456" or "release 123789" (milliseconds). Runs until killed.

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

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
        if (raw->detail == 1) {
            std::printf("%s %lu\n", ev.xcookie.evtype == XI_RawButtonPress ? "press" : "release", raw->time);
            std::fflush(stdout);
        }
        XFreeEventData(display, &ev.xcookie);
    }
}
