#pragma once

// A private PulseAudio server for tests and benchmarks: its own directory and
// socket, a pipe sink whose every sample is drained and kept, and this
// process's environment pointed at it. Stopped and removed when destroyed.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace klavet::testing {

class PulseServer {
public:
    PulseServer();
    ~PulseServer();
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    // Starts the server and waits until it takes connections.
    bool Start();
    // Kills the server at once, as a crash would.
    void Kill();
    bool Running() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }

    // Stereo frames received from the sink so far.
    std::size_t Frames() const;
    // Interleaved samples of frames [from, to), to clamped to what arrived.
    std::vector<std::int16_t> Samples(std::size_t from, std::size_t to) const;
    // When the read that brought `frame` returned; the epoch if it has not.
    std::chrono::steady_clock::time_point ArrivalOf(std::size_t frame) const;

private:
    void Drain();
    bool WaitForSocket();

    std::string dir_;
    std::string socket_;
    std::string fifo_;
    int readFd_ = -1;
    int keepOpenFd_ = -1;
    pid_t pid_ = -1;
    std::atomic<bool> stopping_{false};
    mutable std::mutex lock_;
    std::vector<std::int16_t> samples_;
    // Frames received after each read, and when.
    std::vector<std::pair<std::size_t, std::chrono::steady_clock::time_point>> arrivals_;
    std::uint8_t odd_[4] = {};
    std::size_t oddBytes_ = 0;
    std::thread drainer_;
};

} // namespace klavet::testing
