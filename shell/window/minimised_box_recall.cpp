#include "minimised_box_recall.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace klavet {

namespace {

// XInput 2, through which Qt takes the pointer, reports a press as a generic
// event of its own extension, of this type.
constexpr std::uint16_t kXInputButtonPress = 4;

// The major opcode of the XInput extension on the program's X connection;
// -1 when there is no such connection or extension.
int XInputOpcode() {
    if (!qGuiApp || QGuiApplication::platformName() != QLatin1String("xcb"))
        return -1;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return -1;
    static constexpr char kName[] = "XInputExtension";
    const auto cookie = xcb_query_extension(connection, sizeof kName - 1, kName);
    const std::unique_ptr<xcb_query_extension_reply_t, decltype(&std::free)> reply(
        xcb_query_extension_reply(connection, cookie, nullptr), &std::free);
    return reply && reply->present ? reply->major_opcode : -1;
}

bool IsButtonPress(const xcb_generic_event_t& event, int xinputOpcode) {
    const std::uint8_t type = event.response_type & 0x7f;
    if (type == XCB_BUTTON_PRESS)
        return true;
    if (type != XCB_GE_GENERIC)
        return false;
    const auto& generic = reinterpret_cast<const xcb_ge_generic_event_t&>(event);
    return generic.extension == xinputOpcode && generic.event_type == kXInputButtonPress;
}

} // namespace

MinimisedBoxRecall::MinimisedBoxRecall(QWidget& box) : box_(box), xinputOpcode_(XInputOpcode()) {
    QCoreApplication::instance()->installNativeEventFilter(this);
    // A click on a blocked window never reaches its widgets, but the window
    // manager may make that window active: that is a sign of it as well.
    activation_ = QObject::connect(qGuiApp, &QGuiApplication::focusWindowChanged, &box_, [this](QWindow* focus) {
        if (focus && focus != box_.windowHandle())
            RecallSoon();
    });
}

MinimisedBoxRecall::~MinimisedBoxRecall() {
    QObject::disconnect(activation_);
    if (QCoreApplication* application = QCoreApplication::instance())
        application->removeNativeEventFilter(this);
}

// Button presses on the X server: the event is left for Qt to handle (and to
// turn away from the blocked window) as it would be anyway.
bool MinimisedBoxRecall::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t")
        return false;
    if (IsButtonPress(*static_cast<const xcb_generic_event_t*>(message), xinputOpcode_))
        RecallSoon();
    return false;
}

// Shown again once the event at hand has been handled, only if minimised.
// The watch may have ended by then; the box, which outlives it, is still
// there or the call is dropped with it.
void MinimisedBoxRecall::RecallSoon() {
    QWidget* box = &box_;
    QTimer::singleShot(0, box, [box] {
        if (!box->isMinimized() || !box->isVisible())
            return;
        box->setWindowState((box->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
        box->show();
        box->raise();
        box->activateWindow();
    });
}

} // namespace klavet
