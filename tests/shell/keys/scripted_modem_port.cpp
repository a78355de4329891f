#include "scripted_modem_port.h"

namespace klavet::testing {

namespace {

// How far a vain look for an unplugged port moves the hand-set clock.
constexpr std::chrono::milliseconds kLookStep{100};

} // namespace

ScriptedModemPort::ScriptedModemPort(FakeClock& clock, std::vector<Step> script, InputLines atStart)
    : fakeClock_(&clock), script_(std::move(script)), start_(clock.Now()), lines_(atStart),
      plugged_(script_.empty() || script_.front().kind != Step::Kind::Plug) {
}

ScriptedModemPort::ScriptedModemPort(std::vector<Step> script, InputLines atStart)
    : fakeClock_(nullptr), script_(std::move(script)), start_(std::chrono::steady_clock::now()),
      lines_(atStart), plugged_(script_.empty() || script_.front().kind != Step::Kind::Plug) {
}

SteadyTime ScriptedModemPort::Now() const {
    return fakeClock_ ? fakeClock_->Now() : std::chrono::steady_clock::now();
}

std::optional<OpenFailure> ScriptedModemPort::Open(const std::string& path) {
    std::unique_lock<std::mutex> lock(mutex_);
    path_ = path;
    ++openCalls_;
    if (refusal_) {
        MarkPlayed();
        return refusal_;
    }
    if (!plugged_) {
        const bool plugComes = next_ < script_.size() && script_[next_].kind == Step::Kind::Plug;
        if (plugComes && fakeClock_)
            PassTime(lock, std::min(Due(script_[next_]), Now() + kLookStep));
        if (plugComes && Now() >= Due(script_[next_])) {
            plugged_ = true;
            lines_ = script_[next_++].lines;
        } else {
            if (!plugComes)
                MarkPlayed();
            return OpenFailure{PortProblem::Missing};
        }
    }
    return std::nullopt;
}

void ScriptedModemPort::Close() {
}

std::optional<InputLines> ScriptedModemPort::Read() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!plugged_)
        return std::nullopt;
    return lines_;
}

WaitResult ScriptedModemPort::WaitForChange(SteadyTime deadline) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        if (interrupted_)
            return WaitResult::Interrupted;
        if (!plugged_)
            return WaitResult::Gone;
        if (next_ == script_.size()) {
            // The first wait after the last step runs to its deadline, so
            // that a change still settling is handed on; later ones last.
            if (!waitedPastEnd_) {
                waitedPastEnd_ = true;
                if (PassTime(lock, deadline))
                    return WaitResult::TimedOut;
                continue;
            }
            MarkPlayed();
            changed_.wait(lock, [this] { return interrupted_; });
            continue;
        }
        const Step& step = script_[next_];
        const SteadyTime until = std::min(Due(step), deadline);
        if (!PassTime(lock, until))
            continue;
        if (until < Due(step))
            return WaitResult::TimedOut;
        ++next_;
        switch (step.kind) {
        case Step::Kind::Lines:
            lines_ = step.lines;
            return WaitResult::Changed;
        case Step::Kind::Unnoticed:
            lines_ = step.lines;
            continue;
        case Step::Kind::Unplug:
            plugged_ = false;
            return WaitResult::Gone;
        case Step::Kind::Plug:
            continue;
        }
    }
}

void ScriptedModemPort::Interrupt() {
    std::lock_guard<std::mutex> lock(mutex_);
    interrupted_ = true;
    changed_.notify_all();
}

bool ScriptedModemPort::PassTime(std::unique_lock<std::mutex>& lock, SteadyTime until) {
    if (fakeClock_) {
        if (until > fakeClock_->Now())
            fakeClock_->Advance(until - fakeClock_->Now());
        return !interrupted_;
    }
    return !changed_.wait_until(lock, until, [this] { return interrupted_; });
}

void ScriptedModemPort::MarkPlayed() {
    played_ = true;
    changed_.notify_all();
}

bool ScriptedModemPort::WaitUntilPlayed(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return played_; });
}

int ScriptedModemPort::OpenCalls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return openCalls_;
}

std::string ScriptedModemPort::OpenedPath() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return path_;
}

} // namespace klavet::testing
