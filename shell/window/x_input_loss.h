#pragma once

// Tells the moment a window loses the keyboard or its pointer grab, from the X
// server's FocusOut and LeaveNotify events as they are read (the toolkit reports
// neither in time). It watches the events, never takes them, and decides nothing.

#include <QAbstractNativeEventFilter>

#include <cstdint>
#include <functional>

namespace klavet {

class XInputLoss final : public QAbstractNativeEventFilter {
public:
    enum class Loss {
        Keyboard,    // another client grabbed the keyboard
        Focus,       // the keyboard focus went to another window: the window is no longer active
        PointerGrab, // a pointer grab began or ended elsewhere: a held button's release may never come
    };

    // Watches the X window `window` from now on, for the life of this object.
    XInputLoss(std::uint32_t window, std::function<void(Loss)> lost);
    ~XInputLoss() override;

    XInputLoss(const XInputLoss&) = delete;
    XInputLoss& operator=(const XInputLoss&) = delete;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    const std::uint32_t window_;
    const std::function<void(Loss)> lost_;
};

} // namespace klavet
