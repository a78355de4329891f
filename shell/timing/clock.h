#pragma once

// Where the shell's time comes from: the steady clock in the trainer, a
// hand-set clock in tests. It only reads time; nothing here schedules.

#include <chrono>

namespace klavet {

using SteadyTime = std::chrono::steady_clock::time_point;

class Clock {
public:
    virtual ~Clock() = default;
    virtual SteadyTime Now() const = 0;
};

class SteadyClock final : public Clock {
public:
    SteadyTime Now() const override { return std::chrono::steady_clock::now(); }
};

} // namespace klavet
