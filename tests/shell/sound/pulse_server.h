#pragma once

// A private PulseAudio server: module-pipe-sink with the system clock for
// timing, so that its samples arrive in real time.

#include "sound_server.h"

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

private:
    std::string dir_;
    std::string socket_;
    std::unique_ptr<FifoRecorder> recorder_;
    pid_t pid_ = -1;
};

} // namespace klavet::testing
