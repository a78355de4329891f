#include "key_router.h"

#include "key_port_news.h"
#include "serial_key_watcher.h"
#include "terminal_line.h"
#include "tty_modem_port.h"
#include "x_input_loss.h"
#include "x_key_repeat.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>


namespace klavet {

namespace {

// The X keysym of the right Ctrl key; any other Ctrl key counts as the left.
constexpr quint32 kRightControlKeysym = 0xffe4;

constexpr auto kMouse = KeySource::Mouse;
constexpr auto kSpace = KeySource::Space;
constexpr auto kLeftCtrl = KeySource::LeftCtrl;
constexpr auto kRightCtrl = KeySource::RightCtrl;

} // namespace

KeyRouter::KeyRouter(TrainerEngine& engine, TickDelivery& ticks, Runner run)
    : engine_(engine), ticks_(ticks), run_(std::move(run)) {
}

// The serial key's thread ends before the router: nothing it hands over can
// reach a router that is gone.
KeyRouter::~KeyRouter() = default;

void KeyRouter::WatchContact(QWidget* contact) {
    contact_ = contact;
    contact->installEventFilter(this);
}

void KeyRouter::WatchWindow(QWindow* window) {
    window_ = window;
    window->installEventFilter(this);
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    AskForDetectableKeyRepeat();
    // Seen as the X events are read, handled once the input read with them
    // has been delivered: a release that did arrive comes first.
    xLoss_ = std::make_unique<XInputLoss>(
        static_cast<std::uint32_t>(window->winId()), [this](XInputLoss::Loss loss) {
            const SteadyTime at = ticks_.Now();
            QMetaObject::invokeMethod(
                this, [this, loss, at] { OnXLoss(loss, at); }, Qt::QueuedConnection);
        });
}

void KeyRouter::OnXLoss(XInputLoss::Loss loss, SteadyTime at) {
    switch (loss) {
    case XInputLoss::Loss::Keyboard:
        LetGo({kSpace, kLeftCtrl, kRightCtrl}, at);
        break;
    case XInputLoss::Loss::Focus:
        LetGo({kMouse, kSpace, kLeftCtrl, kRightCtrl}, at);
        break;
    case XInputLoss::Loss::PointerGrab:
        LetGo({kMouse}, at);
        break;
    }
}

void KeyRouter::WatchSerialKey(const std::string& path, std::unique_ptr<ModemPort> port, const Clock& clock) {
    if (!port)
        port = std::make_unique<TtyModemPort>();
    serialKey_ = std::make_unique<SerialKeyWatcher>(
        path, std::move(port), clock,
        [this](bool closed, SteadyTime at) {
            QMetaObject::invokeMethod(
                this, [this, closed, at] { Set(KeySource::SerialPort, closed, at); }, Qt::QueuedConnection);
        },
        [path](const SerialKeyWatcher::News& news) {
            SayOnStandardError(QCoreApplication::applicationName().toStdString(), KeyPortNews::Line(path, news));
        });
}

// The change is counted when its handler runs, so that changes held back
// during a sign keep their order.
void KeyRouter::Set(KeySource source, bool closed, SteadyTime at) {
    run_(at, [this, source, closed] {
        switch (contacts_.Set(source, closed)) {
        case KeyEdge::Down:
            engine_.Laklavet_MouseDown();
            break;
        case KeyEdge::Up:
            engine_.Laklavet_MouseUp();
            break;
        case KeyEdge::None:
            break;
        }
    });
}

void KeyRouter::LetGo(std::initializer_list<KeySource> sources, SteadyTime at) {
    for (KeySource source : sources) {
        if (source == kMouse)
            contactButtons_ = Qt::NoButton;
        if (source == kSpace)
            spaceHeld_ = false;
        Set(source, false, at);
    }
}

bool KeyRouter::eventFilter(QObject* watched, QEvent* event) {
    if (watched == contact_)
        return OnMouse(event);
    if (watched == window_) {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)
            return OnKey(static_cast<QKeyEvent*>(event));
        return OnWindowChange(event);
    }
    return false;
}

// Any button pressed on the contact holds it; it lets go with the last one.
bool KeyRouter::OnMouse(const QEvent* event) {
    const bool press =
        event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
    if (!press && event->type() != QEvent::MouseButtonRelease)
        return false;
    const auto* mouse = static_cast<const QMouseEvent*>(event);
    if (press)
        contactButtons_ |= mouse->button();
    else
        contactButtons_ &= ~mouse->button();
    Set(kMouse, contactButtons_ != Qt::NoButton, ticks_.EventTime(mouse));
    return true;
}

// A Ctrl key keys and types nothing, and so does the Space bar while the
// contact has the focus (its release keys wherever the focus has gone); their
// repeats are not presses. Other keys, Ctrl held or not, go on to the focus.
bool KeyRouter::OnKey(const QKeyEvent* event) {
    const bool press = event->type() == QEvent::KeyPress;
    KeySource source = kSpace;
    if (event->key() == Qt::Key_Control)
        source = event->nativeVirtualKey() == kRightControlKeysym ? kRightCtrl : kLeftCtrl;
    else if (event->key() != Qt::Key_Space || !(spaceHeld_ || (press && contact_ && contact_->hasFocus())))
        return false;
    if (event->isAutoRepeat())
        return true;
    if (source == kSpace)
        spaceHeld_ = press;
    Set(source, press, ticks_.EventTime(event));
    return true;
}

// The window deactivated, hidden, minimised or off the screen: a held mouse
// button's or Ctrl key's release will not reach it.
bool KeyRouter::OnWindowChange(const QEvent* event) {
    bool lost = false;
    switch (event->type()) {
    case QEvent::FocusOut:
    case QEvent::Hide:
        lost = true;
        break;
    case QEvent::Expose:
        lost = !window_->isExposed();
        break;
    case QEvent::WindowStateChange:
        lost = window_->windowStates().testFlag(Qt::WindowMinimized);
        break;
    default:
        break;
    }
    if (lost)
        LetGo({kMouse, kSpace, kLeftCtrl, kRightCtrl}, ticks_.Now());
    return false;
}

} // namespace klavet
