#include "serial_key_watcher.h"

namespace klavet {

SerialKeyWatcher::SerialKeyWatcher(std::string path, std::unique_ptr<ModemPort> port, const Clock& clock,
                                   ContactSink contact, Teller tell, Timing timing)
    : path_(std::move(path)), port_(std::move(port)), clock_(clock), contact_(std::move(contact)),
      tell_(std::move(tell)), timing_(timing) {
    thread_ = std::thread([this] { Run(); });
}

SerialKeyWatcher::~SerialKeyWatcher() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    port_->Interrupt();
    thread_.join();
}

// Opens the port, watches it until it goes, and looks for it again. A port
// that is there but cannot serve as a key is reported once and left alone.
void SerialKeyWatcher::Run() {
    bool lookingAgain = false;
    for (;;) {
        if (const auto failure = port_->Open(path_)) {
            if (!lookingAgain) {
                if (!failure->Missing()) {
                    tell_({News::Kind::Refused, *failure});
                    return;
                }
                tell_({News::Kind::Awaited, *failure});
                lookingAgain = true;
            }
            if (!PauseUnlessStopped(timing_.lookAgain))
                return;
            continue;
        }
        if (lookingAgain)
            tell_({News::Kind::PluggedIn, {}});
        const bool gone = Watch();
        port_->Close();
        if (!gone)
            return;
        if (closed_) {
            closed_ = false;
            contact_(false, clock_.Now());
        }
        tell_({News::Kind::Unplugged, {}});
        lookingAgain = true;
    }
}

// Hands on every settled change of the contact. True when the port has gone,
// false when the watcher stops.
bool SerialKeyWatcher::Watch() {
    auto lines = port_->Read();
    SteadyTime lastLook = clock_.Now();
    if (!lines)
        return true;
    live_ = kAllInputLines & ~*lines;
    for (;;) {
        WaitResult result = port_->WaitForChange(clock_.Now() + timing_.look);
        // A change that the wait missed came just after the last look.
        SteadyTime firstEdge = lastLook;
        if (result == WaitResult::Changed) {
            firstEdge = clock_.Now();
            result = Settle();
        }
        if (result == WaitResult::Interrupted)
            return false;
        if (result == WaitResult::Gone)
            return true;
        lines = port_->Read();
        lastLook = clock_.Now();
        if (!lines)
            return true;
        Accept(*lines, firstEdge);
    }
}

// Waits until the lines have held still for the settling time: TimedOut then.
WaitResult SerialKeyWatcher::Settle() {
    for (;;) {
        const WaitResult result = port_->WaitForChange(clock_.Now() + timing_.settle);
        if (result != WaitResult::Changed)
            return result;
    }
}

void SerialKeyWatcher::Accept(InputLines lines, SteadyTime firstEdge) {
    live_ |= kAllInputLines & ~lines;
    const bool closed = (lines & live_) != 0;
    if (closed == closed_)
        return;
    closed_ = closed;
    contact_(closed, firstEdge);
}

bool SerialKeyWatcher::PauseUnlessStopped(std::chrono::nanoseconds pause) {
    std::unique_lock<std::mutex> lock(mutex_);
    return !wake_.wait_for(lock, pause, [this] { return stopping_; });
}

} // namespace klavet
