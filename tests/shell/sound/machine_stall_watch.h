#pragma once

// Whether the whole machine was held up: a thread at a high real-time
// priority asks to sleep a millisecond at a time and notes each time it woke
// much later. If even it could not run, no stream's thread could, and a
// stream that keeps only a buffer or so queued may have run dry. It measures;
// it mends nothing.

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace klavet::testing {

class MachineStallWatch {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    // Notes every stall of at least `shortest`.
    explicit MachineStallWatch(std::chrono::milliseconds shortest);
    ~MachineStallWatch();
    MachineStallWatch(const MachineStallWatch&) = delete;
    MachineStallWatch& operator=(const MachineStallWatch&) = delete;

    // The lengths of the stalls noted that overlap the time between the two.
    std::vector<std::chrono::steady_clock::duration> StallsBetween(TimePoint from, TimePoint to) const;

private:
    void Watch();

    const std::chrono::milliseconds shortest_;
    std::atomic<bool> stopping_{false};
    mutable std::mutex lock_;
    std::vector<std::pair<TimePoint, TimePoint>> stalls_;
    std::thread watcher_;
};

} // namespace klavet::testing
