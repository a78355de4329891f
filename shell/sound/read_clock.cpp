#include "read_clock.h"

#include <algorithm>
#include <cmath>

namespace klavet {

namespace {

// The latest samples that must all lie below the line for it to be drawn
// again lower, and how far below, at the least and beyond their own spread:
// a server whose reading thread wakes late answers below the line for a
// while and then catches up, and that is no reason to lower it.
constexpr std::size_t kRecent = 8;
constexpr double kBelowSeconds = 0.01;
constexpr double kBeyondSpreadSeconds = 0.001;
// The line is drawn through samples, none of which need have caught the top
// of a step: a server may read up to a step past it (a 256-frame quantum at
// most, with the latency this stream asks for), and a little more when a
// message wakes a reading thread that was late; with a guard for the server's
// hand-over of a message to its reading thread.
constexpr double kStepSeconds = 0.006;
// A server slower than this loses what it is sent anyway.
constexpr double kLongestDelay = 0.04;
// While the first samples come (a server's reading is irregular as a stream
// starts), at the least.
constexpr double kUnsettledDelay = 0.02;
// A slow answer is remembered for a while: a server that was slow once, on a
// busy machine, will be so again, and a change that reaches it late is lost.
constexpr double kSlowHalfLife = 10.0;

// Past that, for a write that finds the server a little later still (its
// reading thread woken late, the machine busy): half as far again as the
// furthest of late, and a millisecond.
constexpr double kLandingScale = 1.5;
constexpr double kLandingMarginSeconds = 0.001;

// The whole of an even spread over the three quarters of it that are kept.
constexpr double kSpreadScale = 4.0 / 3.0;

double Faded(double value, double seconds) {
    return value * std::exp2(-seconds / kSlowHalfLife);
}

} // namespace

ReadClock::ReadClock(int rate, std::size_t window)
    : rate_(static_cast<double>(rate)), samples_(std::max({kRecent + 1, kSettledSamples, window})),
      sorted_(samples_.size()) {
}

double ReadClock::Latest(std::size_t k) const {
    return samples_[(next_ + samples_.size() - 1 - k) % samples_.size()];
}

void ReadClock::Add(double frame, double seconds, double delay, bool mayLower) {
    const double offset = frame - seconds * rate_;
    const bool valid = valid_.load(std::memory_order_relaxed);
    const double top = top_.load(std::memory_order_relaxed);
    slowest_ = valid ? std::max(delay, Faded(slowest_, seconds - lastSeconds_)) : delay;
    lastSeconds_ = seconds;
    samples_[next_] = offset;
    next_ = (next_ + 1) % samples_.size();
    count_ = std::min(count_ + 1, samples_.size());
    double highest = Latest(0);
    for (std::size_t k = 1; k < count_; ++k)
        highest = std::max(highest, Latest(k));
    if (mayLower && count_ > kRecent)
        highest = LowerIfOutdated(highest);
    if (!valid || mayLower || highest > top)
        top_.store(highest, std::memory_order_relaxed);
    valid_.store(true, std::memory_order_release);
}

// When the latest samples all lie well below the highest, the server reads
// later than it once did (it began late, or its graph was rebuilt): only
// they are kept.
double ReadClock::LowerIfOutdated(double highest) {
    double high = Latest(0);
    double low = high;
    for (std::size_t k = 1; k < kRecent; ++k) {
        high = std::max(high, Latest(k));
        low = std::min(low, Latest(k));
    }
    const double below = std::max(kBelowSeconds * rate_, high - low + kBeyondSpreadSeconds * rate_);
    if (highest - high <= below)
        return highest;
    count_ = kRecent;
    return high;
}

void ReadClock::Landed(double frame, double sentSeconds) {
    if (!Valid())
        return;
    const double beyond = std::max(0.0, frame - Predict(sentSeconds));
    beyond_ = landings_ > 0 ? std::max(beyond, Faded(beyond_, sentSeconds - lastLanding_)) : beyond;
    lastLanding_ = sentSeconds;
    ++landings_;
}

void ReadClock::Reset() {
    valid_.store(false, std::memory_order_release);
    count_ = 0;
    next_ = 0;
    landings_ = 0;
    beyond_ = 0;
}

double ReadClock::Predict(double seconds) const {
    return top_.load(std::memory_order_relaxed) + seconds * rate_;
}

double ReadClock::Delay() const {
    const double delay = std::min(slowest_, kLongestDelay) + kStepSeconds;
    return Settled() ? delay : std::max(delay, kUnsettledDelay);
}

double ReadClock::UnreadFrom(double seconds) const {
    if (!Settled())
        return Predict(seconds + Delay());
    // Until a few writes have landed, a fixed guard of a step more: fixed, so
    // that a slow answer in the meantime does not lengthen a tone.
    const double guard = landings_ < kSettledLandings ? kStepSeconds * rate_ : 0.0;
    return Predict(seconds) + std::max(kLandingScale * beyond_, Spread()) + kLandingMarginSeconds * rate_ +
           guard;
}

// How far below the line the server's reading is caught, which is how far
// short of the tops of its steps the line may lie: the spread of the upper
// three quarters of the samples, taken as three quarters of the whole. The
// lowest quarter is left out: a server that was late for a while answers far
// below the line, and that says nothing of how far past it it can read.
double ReadClock::Spread() const {
    const double top = top_.load(std::memory_order_relaxed);
    for (std::size_t k = 0; k < count_; ++k)
        sorted_[k] = Latest(k);
    const auto quarter = sorted_.begin() + static_cast<std::ptrdiff_t>(count_ / 4);
    std::nth_element(sorted_.begin(), quarter, sorted_.begin() + static_cast<std::ptrdiff_t>(count_));
    return std::max(0.0, top - *quarter) * kSpreadScale;
}

} // namespace klavet
