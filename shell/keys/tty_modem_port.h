#pragma once

// The modem-line calls on a real serial port, with open(2) and the modem ioctls;
// a wait is cut short by a timer signal aimed at the waiting thread. It opens
// only the path it is given and decides nothing about keying.

#include "modem_port.h"

#include <atomic>
#include <ctime>

namespace klavet {

class TtyModemPort final : public ModemPort {
public:
    TtyModemPort() = default;
    ~TtyModemPort() override;

    TtyModemPort(const TtyModemPort&) = delete;
    TtyModemPort& operator=(const TtyModemPort&) = delete;

    std::optional<OpenFailure> Open(const std::string& path) override;
    void Close() override;
    std::optional<InputLines> Read() override;
    WaitResult WaitForChange(SteadyTime deadline) override;
    void Interrupt() override;

private:
    void MakeTimer();
    void ArmTimer(SteadyTime first) const;
    int WaitInKernel();
    int PollLines(SteadyTime deadline);

    int fd_ = -1;
    // Set when the driver cannot wait for line changes: the lines are read
    // every millisecond instead.
    bool polling_ = false;
    timer_t timer_{};
    std::atomic<bool> timerMade_{false};
    std::atomic<bool> interrupted_{false};
};

} // namespace klavet
