#pragma once

// What a PipeWire server's own profiler says of its graph: when each cycle
// began and which frames of the graph's clock it played, and the cycles that
// ran late, with a node held up past its time. It tells the server's own
// glitches and timing from what its clients did; it plays and records
// nothing.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace klavet::testing {

class GraphWatch {
public:
    using Time = std::chrono::steady_clock::time_point;

    // Watches the server whose socket lies in `runtimeDir`, and its sink
    // named `sink`.
    GraphWatch(const std::string& runtimeDir, const std::string& sink);
    ~GraphWatch();
    GraphWatch(const GraphWatch&) = delete;
    GraphWatch& operator=(const GraphWatch&) = delete;

    // Whether the profiler answers.
    bool Watching() const;
    // Whether a cycle that began between the two times ran late. Waits, a
    // second at most, for the profile to pass `to`; a profile that does not
    // tells nothing, and counts as late.
    bool LateBetween(Time from, Time to) const;

    // A cycle: when it began, and the frames of the graph's clock it played
    // from then, at `rate` frames a second.
    struct Cycle {
        Time start;
        std::int64_t position = 0;
        std::int64_t frames = 0;
        std::int32_t rate = 0;
    };
    // The cycles that began between the two times, in order; waits, a second
    // at most, for the profile to pass `to`.
    std::vector<Cycle> CyclesBetween(Time from, Time to) const;

    struct State;

private:
    std::unique_ptr<State> state_;
};

} // namespace klavet::testing
