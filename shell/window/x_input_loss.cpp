#include "x_input_loss.h"

#include <QCoreApplication>

#include <xcb/xproto.h>

namespace klavet {

XInputLoss::XInputLoss(std::uint32_t window, std::function<void(Loss)> lost)
    : window_(window), lost_(std::move(lost)) {
    QCoreApplication::instance()->installNativeEventFilter(this);
}

XInputLoss::~XInputLoss() {
    QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool XInputLoss::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7f) {
    case XCB_FOCUS_OUT: {
        const auto* focus = reinterpret_cast<const xcb_focus_out_event_t*>(event);
        // Focus moving within the window, or the pointer's own focus, is no loss.
        const bool within =
            focus->detail == XCB_NOTIFY_DETAIL_INFERIOR || focus->detail >= XCB_NOTIFY_DETAIL_POINTER;
        if (focus->event != window_ || within)
            break;
        const bool grab = focus->mode == XCB_NOTIFY_MODE_GRAB || focus->mode == XCB_NOTIFY_MODE_UNGRAB;
        lost_(grab ? Loss::Keyboard : Loss::Focus);
        break;
    }
    case XCB_LEAVE_NOTIFY: {
        const auto* leave = reinterpret_cast<const xcb_leave_notify_event_t*>(event);
        if (leave->event == window_ &&
            (leave->mode == XCB_NOTIFY_MODE_GRAB || leave->mode == XCB_NOTIFY_MODE_UNGRAB))
            lost_(Loss::PointerGrab);
        break;
    }
    default:
        break;
    }
    return false;
}

} // namespace klavet
