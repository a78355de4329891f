#pragma once

// A private PulseAudio server: module-pipe-sink with the system clock for
// timing, so that its samples arrive in real time.

#include "sound_server.h"

#include <string>
#include <vector>

namespace klavet::testing {

class PulseServer final : public SoundServer {
public:
    PulseServer();
    ~PulseServer() override;
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    const char* Name() const override { return "PulseAudio"; }
    bool Start() override;
    void Kill() override;
    bool Running() const override { return pid_ > 0; }
    pid_t Pid() const override { return pid_; }
    const FifoRecorder& Recorder() const override { return *recorder_; }
    bool CatchesUpAfterAStall() const override { return true; }

    // Takes the recorded sink away, as when the last sound card goes: the
    // server then has no sink at all. True once it is gone.
    bool UnloadSink();
    // Brings it back, recorded as before.
    bool LoadSink();

private:
    bool Pactl(const std::vector<std::string>& args);
    std::string SinkModuleArguments() const;

    std::string dir_;
    std::string socket_;
    std::unique_ptr<FifoRecorder> recorder_;
    pid_t pid_ = -1;
};

} // namespace klavet::testing
