#pragma once

// Where a sound server reads a stream, told from samples of its read index,
// and how long a message takes to reach it. The servers read in steps (a
// sink's block, a graph's quantum), so the line through the highest samples
// bounds what it may have read by any time. It only estimates; it asks the
// server nothing.

#include <atomic>
#include <cstddef>
#include <vector>

namespace klavet {

class ReadClock {
public:
    explicit ReadClock(int rate, std::size_t window = 32);

    // Audio thread: the server had read `frame` frames at `seconds` (any
    // monotonic clock) or up to `early` seconds before (an answer that bore
    // no time stamp of the server's: its way back is not known); the
    // question had taken `delay` seconds to reach it. With `mayLower`, a line
    // that the latest samples all stay well below (a server that began, or
    // went on, later than its first samples said) is drawn again through
    // them; without it the line only rises, so that what is sounding keeps
    // its timing.
    void Add(double frame, double seconds, double delay, bool mayLower, double early = 0);
    // Audio thread: a write sent at `sentSeconds` to go where the server
    // read found it at `frame`: how far past the line a write may find the
    // server, told by the server itself. A write sent before the first
    // question answered since the last reset is not counted.
    void Landed(double frame, double sentSeconds);
    // Audio thread: forgets every sample, as after the server stalled; so it
    // does by itself when a sample shows the server's reading far past the
    // line at once, as a server catching up after a stall reads, or, with
    // `mayLower`, far behind it, as one that stalled and reads on from where
    // it stopped.
    void Reset();

    // Any thread.
    bool Valid() const { return valid_.load(std::memory_order_acquire); }
    // The furthest the server can have read by `seconds`; meaningless
    // unless Valid().
    double Predict(double seconds) const;

    // Audio thread: when the first question answered since the last reset
    // was asked.
    double RunStart() const { return runStart_; }
    // Audio thread: enough samples have come since the start or the last
    // reset for the line and Delay() to be trusted.
    bool Settled() const { return count_ >= kSettledSamples; }
    // Audio thread: how much later than Predict(now) a message sent now may
    // find the server reading: the slowest trip to it of late (fading over
    // seconds) and a step of its reading. Until settled, a generous fixed
    // delay at the least.
    double Delay() const;
    // Audio thread: the furthest ahead of the line UnreadFrom(seconds) aims
    // now or aimed of late (fading over seconds), in frames: a change over
    // silence held back by this is not outrun by a change over sound that
    // follows it soon, though the aim grew meanwhile.
    double AimCeiling(double seconds) const;
    // Audio thread: how far past the line (negative: short of it) writes
    // sent to go where the server read have mostly found it: the median of
    // the latest landings; until a few have landed, where the samples mostly
    // found the server. Meaningless unless Valid().
    double TypicalLanding() const;
    // Audio thread: the earliest frame that a write sent at `seconds` can be
    // sure to find unread: a step of the server's reading past the line, or
    // half as far again as recent writes found the server past it, or as
    // early as it may have read of late, whichever is furthest, with a
    // margin, and a step more until a few writes have landed; until settled,
    // Delay() past the line.
    double UnreadFrom(double seconds) const;

private:
    static constexpr std::size_t kSettledSamples = 16;
    // Landings seen before they alone tell how far past the line writes
    // find the server.
    static constexpr std::size_t kSettledLandings = 4;
    // The offset (frame less seconds * rate) of the k-th latest sample: 0 is
    // the last added.
    double Latest(std::size_t k) const;
    double LowerIfOutdated(double highest);
    double Spread() const;
    double Quantile(double q) const;
    double LargestJump() const;
    double RecentEarly() const;

    const double rate_;
    std::vector<double> samples_;        // offsets, a ring
    mutable std::vector<double> sorted_; // room to sort them in
    std::vector<double> early_;          // seconds, a ring beside samples_
    std::size_t next_ = 0;
    std::size_t count_ = 0;
    double slowest_ = 0; // seconds, fading
    double lastSeconds_ = 0;
    double beyond_ = 0; // frames, fading
    double lastLanding_ = 0;
    double ceiling_ = 0; // frames, fading
    double ceilingSeconds_ = 0;
    std::size_t landings_ = 0;
    double runStart_ = 0; // seconds: see RunStart()
    std::vector<double> landed_; // the latest landings, a ring
    mutable std::vector<double> sortedLandings_;
    std::atomic<double> top_{0};
    std::atomic<bool> valid_{false};
};

} // namespace klavet
