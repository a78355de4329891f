#pragma once

// Where a sound server reads a stream, told from samples of its read index:
// the servers read in steps (a sink's block, a graph's quantum), so the line
// through the highest samples bounds what it may have read by any time. It
// only estimates; it asks the server nothing.

#include <atomic>
#include <cstddef>
#include <vector>

namespace klavet {

class ReadClock {
public:
    explicit ReadClock(int rate, std::size_t window = 32);

    // Audio thread: the server had read `frame` frames at `seconds` (any
    // monotonic clock) or shortly before.
    void Add(double frame, double seconds);
    // Audio thread: forgets every sample, as after the server stalled.
    void Reset();

    // Any thread.
    bool Valid() const { return valid_.load(std::memory_order_acquire); }
    // The furthest the server can have read by `seconds`; meaningless
    // unless Valid().
    double Predict(double seconds) const;

private:
    const double rate_;
    std::vector<double> offsets_; // frame less seconds * rate, a ring
    std::size_t next_ = 0;
    std::size_t count_ = 0;
    std::atomic<double> top_{0};
    std::atomic<bool> valid_{false};
};

} // namespace klavet
