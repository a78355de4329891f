#pragma once

// Timing of the press and gap timers. A Qt timer asked for 1 ms drops the
// firings it is late for, so the ticks are counted from a monotonic clock
// instead: a timer enabled at time t has its ticks due at t + 1 ms, t + 2 ms,
// and so on, and the window hands the engine every tick that is due, in
// order, before it handles the next event. Nothing here calls the engine or
// knows the toolkit; the window decides when to deliver.

#include "controls.h"
#include "trainer_state.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>

namespace klavet {

using SteadyTime = std::chrono::steady_clock::time_point;

// Where the time comes from: the steady clock, or a hand-set one in tests.
class Clock {
public:
    virtual ~Clock() = default;
    virtual SteadyTime Now() const = 0;
};

class SteadyClock final : public Clock {
public:
    SteadyTime Now() const override { return std::chrono::steady_clock::now(); }
};

// The tick schedule of the two timers. Holding it (during sign playback)
// stops the count: the held time is cut out of every running timer, and
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

// Places the X server's millisecond time stamps of input events on the
// steady clock. The offset between the two clocks is taken as the smallest
// difference seen between an event's arrival and its stamp, so that the
// stamp keeps its precision while the arrival keeps the scale. The result
// never lies after the arrival.
class ServerTimeMapper {
public:
    SteadyTime Map(std::uint32_t stampMs, SteadyTime arrival);

private:
    std::optional<std::uint32_t> lastStamp_;
    std::int64_t extendedMs_ = 0; // stamp widened past its 32-bit wrap
    std::optional<std::chrono::nanoseconds> offset_;
};

// How many ticks may pass before one that the learner could see: only a gap
// tick can change a shown field, when it decodes into the result field. That
// happens first on the tick that takes the idle count past three units, and
// after that only on the first tick after an event (an event may have written
// the result field; later ticks write the same sign again). Returns 1 for the
// next tick, more for a later one, nothing when no coming tick shows anything.
std::optional<std::int64_t> TicksUntilVisible(const TrainerState& state, bool gapTimerRunning,
                                              bool eventSinceLastTick);

} // namespace klavet
