#pragma once

// How the ticks of the press and gap timers reach the engine, and when the
// window's input handlers run among them. The window drives it: it switches
// the timers as the engine asks, runs each handler through it, and holds it
// while a sign plays. It never decides what a handler does.

#include "clock.h"
#include "controls.h"

#include <functional>

class QInputEvent;

namespace klavet {

class TickDelivery {
public:
    virtual ~TickDelivery() = default;

    virtual SteadyTime Now() const = 0;
    // When an input event happened, as closely as it can be known.
    virtual SteadyTime EventTime(const QInputEvent* event) = 0;

    // Runs a handler as an event at the given time: every tick due before it
    // reaches the engine first.
    virtual void RunAt(SteadyTime at, const std::function<void()>& handler) = 0;

    // The engine's timer switches, at the time of the handler that runs.
    virtual void SetEnabled(Timer timer, bool enabled) = 0;
    virtual bool Enabled(Timer timer) const = 0;

    // While held (a sign playing) no tick is delivered, and the held time is
    // not counted by the running timers.
    virtual void Hold() = 0;
    virtual void Release() = 0;

    // Hands the engine every tick due by now.
    virtual void DeliverDue() = 0;
};

} // namespace klavet
