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
// A server's reading never gains this much on the clock between two samples
// while it plays on: when it does, it has caught up at once on what a stall
// kept it from reading (a sink timed by the clock does), and what was learnt
// before describes a timeline it has left.
constexpr double kCatchUpSeconds = 0.1;
// Nor does it fall this far behind the line and catch up again by itself (a
// busy machine holds it up for 180 ms at most, seen): it stalled, and reads
// on from where it stopped. Told only while nothing sounds: a server that
// began later than its first samples said falls behind too, and what sounds
// keeps its timing.
constexpr double kFallenBehindSeconds = 0.3;

// Past that, for a write that finds the server a little later still (its
// reading thread woken late, the machine busy): half as far again as the
// furthest of late, and a millisecond.
constexpr double kLandingScale = 1.5;
constexpr double kLandingMarginSeconds = 0.001;

// Samples left out of how early the server may have read of late, as held
// up rather than slow.
constexpr std::size_t kMostEarlyLeftOut = 1;

// The whole of an even spread over the three quarters of it that are kept.
constexpr double kSpreadScale = 4.0 / 3.0;

// Landings whose median is the typical one.
constexpr std::size_t kLandingsKept = 8;

// The aim's ceiling outlasts a key held for a long element.
constexpr double kCeilingHalfLife = 2.0;

double Faded(double value, double seconds, double halfLife = kSlowHalfLife) {
    return value * std::exp2(-seconds / halfLife);
}

} // namespace

ReadClock::ReadClock(int rate, std::size_t window)
    : rate_(static_cast<double>(rate)), samples_(std::max({kRecent + 1, kSettledSamples, window})),
      sorted_(samples_.size()), early_(samples_.size()), landed_(kLandingsKept),
      sortedLandings_(kLandingsKept) {
}

double ReadClock::Latest(std::size_t k) const {
    return samples_[(next_ + samples_.size() - 1 - k) % samples_.size()];
}

void ReadClock::Add(double frame, double seconds, double delay, bool mayLower, double early) {
    const double offset = frame - seconds * rate_;
    const double fromLine = offset - top_.load(std::memory_order_relaxed);
    if (valid_.load(std::memory_order_relaxed) &&
        (fromLine > kCatchUpSeconds * rate_ || (mayLower && fromLine < -kFallenBehindSeconds * rate_)))
        Reset();
    const bool valid = valid_.load(std::memory_order_relaxed);
    const double top = top_.load(std::memory_order_relaxed);
    if (!valid)
        runStart_ = seconds - delay;
    slowest_ = valid ? std::max(delay, Faded(slowest_, seconds - lastSeconds_)) : delay;
    lastSeconds_ = seconds;
    samples_[next_] = offset;
    early_[next_] = early;
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
    if (Settled()) {
        ceiling_ = AimCeiling(seconds);
        ceilingSeconds_ = seconds;
    }
}

// When the latest samples all lie well below the highest, the server reads
// later than it once did (it began late, or its graph was rebuilt): only
// they are kept. Well below means by more than a step of its reading too
// (the most it was seen to read ahead at once): a server that reads in large
// blocks is often caught late in its steps several times in a row, and that
// is no reason to lower the line.
double ReadClock::LowerIfOutdated(double highest) {
    double high = Latest(0);
    double low = high;
    for (std::size_t k = 1; k < kRecent; ++k) {
        high = std::max(high, Latest(k));
        low = std::min(low, Latest(k));
    }
    const double below =
        std::max({kBelowSeconds * rate_, high - low + kBeyondSpreadSeconds * rate_, LargestJump()});
    if (highest - high <= below)
        return highest;
    count_ = kRecent;
    return high;
}

void ReadClock::Landed(double frame, double sentSeconds) {
    // A write sent before the samples began found the server wherever a
    // stall left it: that tells nothing of the line drawn since.
    if (!Valid() || sentSeconds < runStart_)
        return;
    const double landing = frame - Predict(sentSeconds);
    const double beyond = std::max(0.0, landing);
    beyond_ = landings_ > 0 ? std::max(beyond, Faded(beyond_, sentSeconds - lastLanding_)) : beyond;
    lastLanding_ = sentSeconds;
    landed_[landings_ % landed_.size()] = landing;
    ++landings_;
}

double ReadClock::AimCeiling(double seconds) const {
    const double aim = UnreadFrom(seconds) - Predict(seconds);
    return Settled() ? std::max(aim, Faded(ceiling_, seconds - ceilingSeconds_, kCeilingHalfLife)) : aim;
}

double ReadClock::TypicalLanding() const {
    if (landings_ < kSettledLandings)
        return Quantile(0.5) - top_.load(std::memory_order_relaxed);
    const auto kept = static_cast<std::ptrdiff_t>(std::min(landings_, landed_.size()));
    std::copy(landed_.begin(), landed_.begin() + kept, sortedLandings_.begin());
    const auto middle = sortedLandings_.begin() + kept / 2;
    std::nth_element(sortedLandings_.begin(), middle, sortedLandings_.begin() + kept);
    return *middle;
}

void ReadClock::Reset() {
    valid_.store(false, std::memory_order_release);
    count_ = 0;
    next_ = 0;
    landings_ = 0;
    beyond_ = 0;
    ceiling_ = 0;
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
    const double ahead = std::max({kLandingScale * beyond_, Spread(), RecentEarly() * rate_});
    return Predict(seconds) + ahead + kLandingMarginSeconds * rate_ + guard;
}

// How far below the line the server's reading is caught, which is how far
// short of the tops of its steps the line may lie: the spread of the upper
// three quarters of the samples, taken as three quarters of the whole. The
// lowest quarter is left out: a server that was late for a while answers far
// below the line, and that says nothing of how far past it it can read. Nor
// does a lag it makes up gradually, over more samples than a quarter: past a
// step's guard, the spread counts only as far as the server was seen to read
// ahead at once between two samples.
double ReadClock::Spread() const {
    const double spread = std::max(0.0, top_.load(std::memory_order_relaxed) - Quantile(0.25)) * kSpreadScale;
    return std::min(spread, std::max(kStepSeconds * rate_, LargestJump() * kSpreadScale));
}

// The offset that the fraction `q` of the samples lie below.
double ReadClock::Quantile(double q) const {
    for (std::size_t k = 0; k < count_; ++k)
        sorted_[k] = Latest(k);
    const auto at = sorted_.begin() + static_cast<std::ptrdiff_t>(static_cast<double>(count_) * q);
    std::nth_element(sorted_.begin(), at, sorted_.begin() + static_cast<std::ptrdiff_t>(count_));
    return *at;
}

// How much earlier than told the server may have read, of late, the most
// uncertain few left out: a question held up by a short stall says nothing
// of the answers to come.
double ReadClock::RecentEarly() const {
    if (count_ == 0)
        return 0;
    for (std::size_t k = 0; k < count_; ++k)
        sorted_[k] = early_[(next_ + early_.size() - 1 - k) % early_.size()];
    const std::size_t kept = count_ > kMostEarlyLeftOut ? count_ - kMostEarlyLeftOut : 1;
    const auto at = sorted_.begin() + static_cast<std::ptrdiff_t>(kept - 1);
    std::nth_element(sorted_.begin(), at, sorted_.begin() + static_cast<std::ptrdiff_t>(count_));
    return *at;
}

// The most the server's reading gained on the clock between two samples.
double ReadClock::LargestJump() const {
    double largest = 0;
    for (std::size_t k = 0; k + 1 < count_; ++k)
        largest = std::max(largest, Latest(k) - Latest(k + 1));
    return largest;
}

} // namespace klavet
