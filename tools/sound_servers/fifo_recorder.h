#pragma once

// The recording end of a sound server's pipe sink: a FIFO made in a
// directory, drained on a thread of its own from before the server starts,
// and every frame kept with the time its read returned. It starts no server.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace klavet::testing {

class FifoRecorder {
public:
    explicit FifoRecorder(const std::string& path);
    ~FifoRecorder();
    FifoRecorder(const FifoRecorder&) = delete;
    FifoRecorder& operator=(const FifoRecorder&) = delete;

    const std::string& Path() const { return path_; }
    // Stereo frames received so far.
    std::size_t Frames() const;
    // Interleaved samples of frames [from, to), to clamped to what arrived.
    std::vector<std::int16_t> Samples(std::size_t from, std::size_t to) const;
    // The first frame of each read that began within [from, to), and when
    // that read returned.
    std::vector<std::pair<std::size_t, std::chrono::steady_clock::time_point>> Reads(std::size_t from,
                                                                                     std::size_t to) const;
    // When the read that brought frame `frame` returned; none before it came.
    std::optional<std::chrono::steady_clock::time_point> ArrivedAt(std::size_t frame) const;
    // The most that the frames which arrived between the two times gained on
    // real time at once, at `rate` frames a second: a sink that fell behind
    // its clock writes what it missed in a burst as it catches up (and a
    // reader held up reads a burst, too).
    std::chrono::steady_clock::duration LargestCatchUp(std::chrono::steady_clock::time_point from,
                                                       std::chrono::steady_clock::time_point to,
                                                       int rate) const;

private:
    void Drain();

    const std::string path_;
    int readFd_ = -1;
    int keepOpenFd_ = -1;
    std::atomic<bool> stopping_{false};
    mutable std::mutex lock_;
    std::vector<std::int16_t> samples_;
    std::vector<std::pair<std::size_t, std::chrono::steady_clock::time_point>> arrivals_;
    std::uint8_t odd_[4] = {};
    std::size_t oddBytes_ = 0;
    std::thread drainer_;
};

} // namespace klavet::testing
