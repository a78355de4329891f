#pragma once

// Turns the mouse on the contact, the Space bar on the focused contact, either
// Ctrl key and a serial-port key, each at its own time and wired in parallel,
// into the engine's key down and up, and lets a held key up when the window
// loses it. What a key down does is the engine's.

#include "clock.h"
#include "key_contacts.h"
#include "keying.h"
#include "modem_port.h"
#include "tick_delivery.h"
#include "x_input_loss.h"

#include <QObject>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

class QKeyEvent;
class QMouseEvent;
class QWidget;
class QWindow;

namespace klavet {

class SerialKeyWatcher;

class KeyRouter final : public QObject {
    Q_OBJECT

public:
    // Runs an engine handler at a time, as the window runs its handlers.
    using Runner = std::function<void(SteadyTime at, const std::function<void()>& handler)>;

    KeyRouter(TrainerEngine& engine, TickDelivery& ticks, Runner run);
    ~KeyRouter() override;

    // The key contact: a press of any mouse button on it keys.
    void WatchContact(QWidget* contact);
    // The shown window: its Ctrl keys key, and its losses let the key up.
    void WatchWindow(QWindow* window);
    // The serial-port key the learner named, read through `port` (the real
    // port's calls when null) on a thread of its own, with its times on
    // `clock`. Its lines for the learner go to standard error.
    void WatchSerialKey(const std::string& path, std::unique_ptr<ModemPort> port, const Clock& clock);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Set(KeySource source, bool closed, SteadyTime at);
    void LetGo(std::initializer_list<KeySource> sources, SteadyTime at);
    bool OnMouse(const QEvent* event);
    bool OnKey(const QKeyEvent* event);
    bool OnWindowChange(const QEvent* event);
    void OnXLoss(XInputLoss::Loss loss, SteadyTime at);

    TrainerEngine& engine_;
    TickDelivery& ticks_;
    const Runner run_;
    KeyContacts contacts_;
    QWidget* contact_ = nullptr;
    Qt::MouseButtons contactButtons_; // pressed on the contact and not released
    bool spaceHeld_ = false;          // pressed on the focused contact and not released
    QWindow* window_ = nullptr;
    std::unique_ptr<XInputLoss> xLoss_;
    std::unique_ptr<SerialKeyWatcher> serialKey_;
};

} // namespace klavet
