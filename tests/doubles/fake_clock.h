#pragma once

// A clock that stands still until a test moves it on; safe to read from any
// thread. It starts an hour after the clock's epoch.

#include "clock.h"

#include <atomic>
#include <cstdint>

namespace klavet::testing {

class FakeClock final : public Clock {
public:
    SteadyTime Now() const override { return SteadyTime(std::chrono::nanoseconds(ns_.load())); }
    void Advance(std::chrono::nanoseconds by) { ns_ += by.count(); }

private:
    std::atomic<std::int64_t> ns_{std::chrono::nanoseconds(std::chrono::hours(1)).count()};
};

} // namespace klavet::testing
