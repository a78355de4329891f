#include "machine_stall_watch.h"

#include <pthread.h>
#include <sched.h>

namespace klavet::testing {

MachineStallWatch::MachineStallWatch(std::chrono::milliseconds shortest)
    : shortest_(shortest), watcher_([this] { Watch(); }) {
}

MachineStallWatch::~MachineStallWatch() {
    stopping_.store(true);
    watcher_.join();
}

std::vector<std::chrono::steady_clock::duration> MachineStallWatch::StallsBetween(TimePoint from,
                                                                               TimePoint to) const {
    std::lock_guard lk(lock_);
    std::vector<std::chrono::steady_clock::duration> lengths;
    for (const auto& [began, ended] : stalls_)
        if (began <= to && ended >= from)
            lengths.push_back(ended - began);
    return lengths;
}

// Above the servers' own real-time threads, where the system grants it;
// refused, it watches all the same, and may take its own delays for stalls.
void MachineStallWatch::Watch() {
    sched_param parameters{};
    parameters.sched_priority = 90;
    (void)pthread_setschedparam(pthread_self(), SCHED_FIFO, &parameters);
    constexpr auto kNap = std::chrono::milliseconds(1);
    auto last = std::chrono::steady_clock::now();
    while (!stopping_.load()) {
        std::this_thread::sleep_for(kNap);
        const auto now = std::chrono::steady_clock::now();
        if (now - last - kNap >= shortest_) {
            std::lock_guard lk(lock_);
            stalls_.emplace_back(last + kNap, now);
        }
        last = now;
    }
}

} // namespace klavet::testing
