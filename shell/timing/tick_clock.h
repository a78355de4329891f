#pragma once

// The tick schedule of the press and gap timers. A Qt timer asked for 1 ms
// drops the firings it is late for, so the ticks are counted from a monotonic
// clock instead: a timer enabled at time t has its ticks due at t + 1 ms,
// t + 2 ms, and so on. Nothing here calls the engine, reads a clock or knows
// the toolkit; the window's tick delivery decides when to hand ticks over.

#include "clock.h"
#include "controls.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>

namespace klavet {

// Holding the schedule (during sign playback) stops the count: the held time is cut out of every running timer, and
// events that come in meanwhile count as coming at the end of the hold.
class TickClock {
public:
    static constexpr std::chrono::milliseconds kPeriod{1};

    void SetEnabled(Timer timer, bool enabled, SteadyTime at);
    bool Enabled(Timer timer) const { return Of(timer).enabled; }

    // The earliest tick due at or before `until`, marked as delivered; on a
    // tie the gap timer comes first. Nothing while held.
    std::optional<Timer> TakeDue(SteadyTime until);

    // When the next tick of a running timer falls due.
    std::optional<SteadyTime> NextDue() const;

    // An event time moved so that it never lies before a tick already
    // delivered, nor inside a hold that has ended.
    SteadyTime Settle(SteadyTime at) const;

    void Hold(SteadyTime at);
    void Release(SteadyTime at);
    bool Held() const { return heldSince_.has_value(); }

private:
    struct Run {
        bool enabled = false;
        SteadyTime origin{};
        std::int64_t delivered = 0;
        SteadyTime Next() const { return origin + kPeriod * (delivered + 1); }
    };
    Run& Of(Timer timer) { return runs_[timer == Timer::Timer1 ? 0 : 1]; }
    const Run& Of(Timer timer) const { return runs_[timer == Timer::Timer1 ? 0 : 1]; }

    std::array<Run, 2> runs_{};
    SteadyTime floor_{};
    std::optional<SteadyTime> heldSince_;
};

} // namespace klavet
