#pragma once

// A stand-in for a serial port's modem-line calls that plays a script of line
// changes, unpluggings and pluggings at set times, on a hand-set clock that it
// moves on or on the steady clock in real time. It decides nothing about keying.

#include "fake_clock.h"
#include "modem_port.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace klavet::testing {

class ScriptedModemPort final : public ModemPort {
public:
    struct Step {
        enum class Kind {
            Lines,     // the input lines become `lines`, and the wait wakes
            Unnoticed, // the same, but in the moment before a wait begins: no wait wakes for it
            Unplug,    // the port goes away
            Plug,      // it is back, with `lines` raised
        };
        std::chrono::nanoseconds at;
        Kind kind;
        InputLines lines = 0;
    };
    static Step Lines(std::chrono::nanoseconds at, InputLines lines) {
        return {at, Step::Kind::Lines, lines};
    }
    static Step Unnoticed(std::chrono::nanoseconds at, InputLines lines) {
        return {at, Step::Kind::Unnoticed, lines};
    }
    static Step Unplug(std::chrono::nanoseconds at) { return {at, Step::Kind::Unplug}; }
    static Step Plug(std::chrono::nanoseconds at, InputLines lines = 0) {
        return {at, Step::Kind::Plug, lines};
    }

    // On a hand-set clock, which the port moves on; the script starts at the
    // clock's present time. `atStart`: the lines raised when it is opened. A
    // script that begins by plugging the port in starts without it.
    ScriptedModemPort(FakeClock& clock, std::vector<Step> script, InputLines atStart = 0);
    // On the steady clock, the script starting now.
    explicit ScriptedModemPort(std::vector<Step> script, InputLines atStart = 0);

    // Every open fails this way.
    void Refuse(OpenFailure failure) { refusal_ = std::move(failure); }

    std::optional<OpenFailure> Open(const std::string& path) override;
    void Close() override;
    std::optional<InputLines> Read() override;
    WaitResult WaitForChange(SteadyTime deadline) override;
    void Interrupt() override;

    // Waits, in real time, until the whole script has been played and the
    // watcher waits for more or looks for the port in vain.
    bool WaitUntilPlayed(std::chrono::milliseconds timeout);

    SteadyTime Start() const { return start_; }
    int OpenCalls() const;
    std::string OpenedPath() const;

private:
    SteadyTime Now() const;
    // Lets time pass until `until`; false when interrupted meanwhile.
    bool PassTime(std::unique_lock<std::mutex>& lock, SteadyTime until);
    SteadyTime Due(const Step& step) const { return start_ + step.at; }
    void MarkPlayed();

    FakeClock* const fakeClock_;
    const std::vector<Step> script_;
    const SteadyTime start_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t next_ = 0;
    InputLines lines_;
    bool plugged_;
    bool interrupted_ = false;
    bool played_ = false;
    bool waitedPastEnd_ = false;
    int openCalls_ = 0;
    std::string path_;
    std::optional<OpenFailure> refusal_;
};

} // namespace klavet::testing
