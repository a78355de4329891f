#include "fifo_recorder.h"

#include <algorithm>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace klavet::testing {

FifoRecorder::FifoRecorder(const std::string& path) : path_(path) {
    ::mkfifo(path_.c_str(), 0600);
    readFd_ = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    // A writer of our own keeps the pipe from reporting its end between servers.
    keepOpenFd_ = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    drainer_ = std::thread([this] { Drain(); });
}

FifoRecorder::~FifoRecorder() {
    stopping_.store(true);
    drainer_.join();
    ::close(readFd_);
    ::close(keepOpenFd_);
}

void FifoRecorder::Drain() {
    std::uint8_t block[16384];
    while (!stopping_.load()) {
        pollfd p{readFd_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        const ssize_t got = ::read(readFd_, block, sizeof block);
        if (got <= 0)
            continue;
        const auto arrival = std::chrono::steady_clock::now();
        std::lock_guard lk(lock_);
        for (ssize_t i = 0; i < got; ++i) {
            odd_[oddBytes_++] = block[i];
            if (oddBytes_ == 4) {
                samples_.push_back(static_cast<std::int16_t>(odd_[0] | (odd_[1] << 8)));
                samples_.push_back(static_cast<std::int16_t>(odd_[2] | (odd_[3] << 8)));
                oddBytes_ = 0;
            }
        }
        arrivals_.emplace_back(samples_.size() / 2, arrival);
    }
}

std::vector<std::pair<std::size_t, std::chrono::steady_clock::time_point>>
FifoRecorder::Reads(std::size_t from, std::size_t to) const {
    std::lock_guard lk(lock_);
    std::vector<std::pair<std::size_t, std::chrono::steady_clock::time_point>> reads;
    // Each entry holds the end of its read: the first read that began at or
    // after `from` follows the last entry that ended before it.
    auto at = std::lower_bound(arrivals_.begin(), arrivals_.end(), from,
                               [](const auto& a, std::size_t f) { return a.first < f; });
    std::size_t first = at == arrivals_.begin() ? 0 : std::prev(at)->first;
    for (; at != arrivals_.end() && first < to; first = (at++)->first)
        if (first >= from && at->first > first)
            reads.emplace_back(first, at->second);
    return reads;
}

std::optional<std::chrono::steady_clock::time_point> FifoRecorder::ArrivedAt(std::size_t frame) const {
    std::lock_guard lk(lock_);
    // Each entry holds the end of its read: the first to end past the frame.
    const auto at = std::upper_bound(arrivals_.begin(), arrivals_.end(), frame,
                                     [](std::size_t f, const auto& a) { return f < a.first; });
    if (at == arrivals_.end())
        return std::nullopt;
    return at->second;
}

std::chrono::steady_clock::duration FifoRecorder::LargestCatchUp(std::chrono::steady_clock::time_point from,
                                                                 std::chrono::steady_clock::time_point to,
                                                                 int rate) const {
    using Seconds = std::chrono::duration<double>;
    std::lock_guard lk(lock_);
    // How late each read came against the frames it completed; a second of
    // reads before `from` tells how late they came before.
    const auto begin = std::lower_bound(arrivals_.begin(), arrivals_.end(), from - std::chrono::seconds(1),
                                        [](const auto& a, auto t) { return a.second < t; });
    double latest = -1e300;
    double largest = 0;
    for (auto at = begin; at != arrivals_.end() && at->second <= to; ++at) {
        const double late = Seconds(at->second.time_since_epoch()).count() -
                            static_cast<double>(at->first) / static_cast<double>(rate);
        if (at->second >= from)
            largest = std::max(largest, latest - late);
        latest = std::max(latest, late);
    }
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(Seconds(largest));
}

std::size_t FifoRecorder::Frames() const {
    std::lock_guard lk(lock_);
    return samples_.size() / 2;
}

std::vector<std::int16_t> FifoRecorder::Samples(std::size_t from, std::size_t to) const {
    std::lock_guard lk(lock_);
    to = std::min(to, samples_.size() / 2);
    if (from >= to)
        return {};
    return {samples_.begin() + static_cast<std::ptrdiff_t>(2 * from),
            samples_.begin() + static_cast<std::ptrdiff_t>(2 * to)};
}

} // namespace klavet::testing
