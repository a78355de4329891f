#include "read_clock.h"

#include <algorithm>

namespace klavet {

ReadClock::ReadClock(int rate, std::size_t window)
    : rate_(static_cast<double>(rate)), offsets_(std::max<std::size_t>(1, window)) {}

void ReadClock::Add(double frame, double seconds) {
    offsets_[next_] = frame - seconds * rate_;
    next_ = (next_ + 1) % offsets_.size();
    count_ = std::min(count_ + 1, offsets_.size());
    top_.store(*std::max_element(offsets_.begin(), offsets_.begin() + static_cast<std::ptrdiff_t>(count_)),
               std::memory_order_relaxed);
    valid_.store(true, std::memory_order_release);
}

void ReadClock::Reset() {
    valid_.store(false, std::memory_order_release);
    count_ = 0;
    next_ = 0;
}

double ReadClock::Predict(double seconds) const {
    return top_.load(std::memory_order_relaxed) + seconds * rate_;
}

} // namespace klavet
