#include "tick_clock.h"

#include <algorithm>
#include <limits>

namespace klavet {

void TickClock::SetEnabled(Timer timer, bool enabled, SteadyTime at) {
    Run& run = Of(timer);
    if (run.enabled == enabled)
        return;
    run.enabled = enabled;
    if (!enabled)
        return;
    // A timer started during a hold starts counting when the hold ends.
    run.origin = heldSince_ ? std::max(*heldSince_, floor_) : Settle(at);
    run.delivered = 0;
    floor_ = std::max(floor_, run.origin);
}

std::optional<Timer> TickClock::TakeDue(SteadyTime until) {
    if (heldSince_)
        return std::nullopt;
    std::optional<Timer> best;
    SteadyTime bestTime{};
    for (Timer timer : {Timer::Timer2, Timer::Timer1}) {
        const Run& run = Of(timer);
        if (!run.enabled || run.Next() > until)
            continue;
        if (!best || run.Next() < bestTime) {
            best = timer;
            bestTime = run.Next();
        }
    }
    if (best) {
        ++Of(*best).delivered;
        floor_ = std::max(floor_, bestTime);
    }
    return best;
}

std::optional<SteadyTime> TickClock::NextDue() const {
    std::optional<SteadyTime> next;
    for (const Run& run : runs_)
        if (run.enabled && (!next || run.Next() < *next))
            next = run.Next();
    return next;
}

SteadyTime TickClock::Settle(SteadyTime at) const { return std::max(at, floor_); }

void TickClock::Hold(SteadyTime at) {
    if (!heldSince_)
        heldSince_ = Settle(at);
}

void TickClock::Release(SteadyTime at) {
    if (!heldSince_)
        return;
    SteadyTime end = std::max(at, *heldSince_);
    auto held = end - *heldSince_;
    for (Run& run : runs_)
        if (run.enabled)
            run.origin += held;
    floor_ = std::max(floor_, end);
    heldSince_.reset();
}

SteadyTime ServerTimeMapper::Map(std::uint32_t stampMs, SteadyTime arrival) {
    if (lastStamp_) {
        // The difference of two stamps, read as signed, survives the wrap.
        extendedMs_ += static_cast<std::int32_t>(stampMs - *lastStamp_);
    } else {
        extendedMs_ = stampMs;
    }
    lastStamp_ = stampMs;
    auto stamp = std::chrono::milliseconds(extendedMs_);
    auto offset = arrival.time_since_epoch() - std::chrono::duration_cast<std::chrono::nanoseconds>(stamp);
    if (!offset_ || offset < *offset_)
        offset_ = offset;
    return std::min(arrival, SteadyTime(std::chrono::duration_cast<SteadyTime::duration>(stamp + *offset_)));
}

std::optional<std::int64_t> TicksUntilVisible(const TrainerState& state, bool gapTimerRunning,
                                              bool eventSinceLastTick) {
    if (!gapTimerRunning || state.DecodeEnabled != kTrue)
        return std::nullopt;
    // The engine forms the threshold in wide arithmetic and holds the idle
    // count at its 16-bit limit.
    std::int64_t threshold = 3 * static_cast<std::int64_t>(state.UnitTicks);
    if (threshold >= std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    if (state.IdleTicks > threshold)
        return eventSinceLastTick ? std::optional<std::int64_t>(1) : std::nullopt;
    return threshold + 1 - state.IdleTicks;
}

} // namespace klavet
