#include "tty_modem_port.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace klavet {

namespace {

constexpr int kWatchedLines = TIOCM_CTS | TIOCM_DSR | TIOCM_CD;

// The signal that cuts a wait short. Its handler does nothing: the point is
// that the wait returns with EINTR, which needs a handler without SA_RESTART.
int WakeSignal() {
    return SIGRTMIN + 5;
}

void InstallWakeHandler() {
    static const bool installed = [] {
        struct sigaction action {};
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        return sigaction(WakeSignal(), &action, nullptr) == 0;
    }();
    (void)installed;
}

timespec ToTimespec(SteadyTime time) {
    const auto ns = time.time_since_epoch().count();
    return timespec{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
}

// The device reports line changes as soon as it can (an FTDI chip otherwise
// waits up to 16 ms); where the driver does not know the flag, nothing changes.
void AskForLowLatency(int fd) {
    serial_struct serial{};
    if (ioctl(fd, TIOCGSERIAL, &serial) == 0) {
        serial.flags |= ASYNC_LOW_LATENCY;
        ioctl(fd, TIOCSSERIAL, &serial);
    }
}

} // namespace

TtyModemPort::~TtyModemPort() {
    Close();
    if (timerMade_)
        timer_delete(timer_);
}

// Only a character device is opened: a file, a directory, a pipe or a socket
// of that name is no port, and no port will come there.
std::optional<OpenFailure> TtyModemPort::Open(const std::string& path) {
    Close();
    struct stat status {};
    if (stat(path.c_str(), &status) == 0 && !S_ISCHR(status.st_mode))
        return OpenFailure{PortProblem::NotAPort};
    fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENODEV || error == ENXIO)
            return OpenFailure{PortProblem::Missing};
        return OpenFailure{error == EACCES ? PortProblem::NoAccess : PortProblem::Unopenable, error};
    }
    const int raise = TIOCM_DTR | TIOCM_RTS;
    int lines = 0;
    if (ioctl(fd_, TIOCMGET, &lines) != 0 || ioctl(fd_, TIOCMBIS, &raise) != 0) {
        Close();
        return OpenFailure{PortProblem::NoModemLines};
    }
    AskForLowLatency(fd_);
    polling_ = false;
    return std::nullopt;
}

void TtyModemPort::Close() {
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
}

std::optional<InputLines> TtyModemPort::Read() {
    int lines = 0;
    if (fd_ < 0 || ioctl(fd_, TIOCMGET, &lines) != 0)
        return std::nullopt;
    InputLines raised = 0;
    if (lines & TIOCM_CTS)
        raised |= kCts;
    if (lines & TIOCM_DSR)
        raised |= kDsr;
    if (lines & TIOCM_CD)
        raised |= kDcd;
    return raised;
}

WaitResult TtyModemPort::WaitForChange(SteadyTime deadline) {
    if (fd_ < 0)
        return WaitResult::Gone;
    MakeTimer();
    if (interrupted_)
        return WaitResult::Interrupted;
    ArmTimer(deadline);
    WaitResult result = WaitResult::Gone;
    for (;;) {
        // Without the timer nothing could cut a kernel wait short.
        const int error = polling_ || !timerMade_ ? PollLines(deadline) : WaitInKernel();
        if (error == 0) {
            result = WaitResult::Changed;
        } else if (error == EINTR) {
            if (interrupted_)
                result = WaitResult::Interrupted;
            else if (std::chrono::steady_clock::now() >= deadline)
                result = WaitResult::TimedOut;
            else
                continue;
        } else if (!polling_ && (error == ENOTTY || error == EINVAL || error == ENOSYS)) {
            polling_ = true;
            continue;
        }
        break;
    }
    if (!interrupted_)
        ArmTimer(SteadyTime{});
    return result;
}

void TtyModemPort::Interrupt() {
    interrupted_ = true;
    if (timerMade_)
        ArmTimer(std::chrono::steady_clock::now());
}

// The timer signals the thread that waits; it is made on that thread's first
// wait.
void TtyModemPort::MakeTimer() {
    if (timerMade_)
        return;
    InstallWakeHandler();
    sigevent event{};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = WakeSignal();
    event._sigev_un._tid = static_cast<pid_t>(syscall(SYS_gettid));
    if (timer_create(CLOCK_MONOTONIC, &event, &timer_) == 0)
        timerMade_ = true;
}

// Fires at `first`, then every millisecond until disarmed, so that a firing
// that comes just before the wait begins is followed by one that ends it. A
// zero time disarms.
void TtyModemPort::ArmTimer(SteadyTime first) const {
    if (!timerMade_)
        return;
    itimerspec spec{};
    if (first != SteadyTime{}) {
        spec.it_value = ToTimespec(first);
        if (spec.it_value.tv_sec == 0 && spec.it_value.tv_nsec == 0)
            spec.it_value.tv_nsec = 1;
        spec.it_interval.tv_nsec = 1000000;
    }
    timer_settime(timer_, TIMER_ABSTIME, &spec, nullptr);
}

int TtyModemPort::WaitInKernel() {
    return ioctl(fd_, TIOCMIWAIT, static_cast<unsigned long>(kWatchedLines)) == 0 ? 0 : errno;
}

// For a driver without TIOCMIWAIT: reads the lines every millisecond until
// they change, the deadline passes or the wait is interrupted (EINTR then).
int TtyModemPort::PollLines(SteadyTime deadline) {
    int before = 0;
    if (ioctl(fd_, TIOCMGET, &before) != 0)
        return errno;
    for (;;) {
        if (interrupted_ || std::chrono::steady_clock::now() >= deadline)
            return EINTR;
        const timespec millisecond{0, 1000000};
        if (nanosleep(&millisecond, nullptr) != 0)
            return errno;
        int now = 0;
        if (ioctl(fd_, TIOCMGET, &now) != 0)
            return errno;
        if ((now ^ before) & kWatchedLines)
            return 0;
    }
}

} // namespace klavet
