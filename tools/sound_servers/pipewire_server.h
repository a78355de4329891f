#pragma once

// A private PipeWire server with its pulse service, as Debian 12's desktops
// run it: a session bus, pipewire, wireplumber and pipewire-pulse, a pipe
// sink loaded through the pulse service and made the default, and a silent
// stream on it that keeps the graph, and so the recording, running; the
// graph's profile is watched for cycles that ran late.

#include "graph_watch.h"
#include "sound_server.h"

#include <vector>

namespace klavet::testing {

class PipeWireServer final : public SoundServer {
public:
    explicit PipeWireServer(PipeWirePeriods periods);
    ~PipeWireServer() override;
    PipeWireServer(const PipeWireServer&) = delete;
    PipeWireServer& operator=(const PipeWireServer&) = delete;

    const char* Name() const override { return "PipeWire"; }
    bool Start() override;
    void Kill() override;
    bool Running() const override { return pulsePid_ > 0; }
    pid_t Pid() const override { return pulsePid_; }
    const FifoRecorder& Recorder() const override { return *recorder_; }
    bool RanLate(std::chrono::steady_clock::time_point from,
                 std::chrono::steady_clock::time_point to) const override;
    std::optional<std::chrono::steady_clock::time_point> PlayedAt(std::size_t frame) const override;

private:
    using Cycles = std::vector<GraphWatch::Cycle>;
    // The reads of the recording around `frame`, each with the graph's
    // shift (its position less the read's first frame) by the cycle it
    // returned in; the cycles they span go to `cycles`.
    std::vector<std::int64_t> ShiftsAround(std::size_t frame, Cycles& cycles) const;
    bool LostPeriodBetween(std::chrono::steady_clock::time_point from,
                           std::chrono::steady_clock::time_point to) const;
    bool StartProcesses();
    bool Pactl(const std::vector<std::string>& args);

    std::string dir_;
    std::unique_ptr<FifoRecorder> recorder_;
    std::unique_ptr<GraphWatch> watch_;
    std::vector<std::string> env_;
    pid_t busPid_ = -1;
    pid_t pipewirePid_ = -1;
    pid_t sessionPid_ = -1;
    pid_t pulsePid_ = -1;
    pid_t silencePid_ = -1;
};

} // namespace klavet::testing
