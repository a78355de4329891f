#include "tick_clock.h"

#include <algorithm>

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

} // namespace klavet
