#include "per_firing_ticks.h"

namespace klavet {

PerFiringTicks::PerFiringTicks(TrainerEngine& engine) : engine_(engine) {
    firing_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&firing_, &QTimer::timeout, &firing_, [this] { OnFiring(); });
}

void PerFiringTicks::RunAt(SteadyTime, const std::function<void()>& handler) { handler(); }

void PerFiringTicks::SetEnabled(Timer timer, bool enabled) {
    enabled_[Index(timer)] = enabled;
    Restart();
}

void PerFiringTicks::Hold() {
    held_ = true;
    Restart();
}

void PerFiringTicks::Release() {
    held_ = false;
    Restart();
}

void PerFiringTicks::Restart() {
    const bool running = !held_ && (enabled_[0] || enabled_[1]);
    if (running && !firing_.isActive())
        firing_.start(1);
    else if (!running)
        firing_.stop();
}

void PerFiringTicks::OnFiring() {
    if (enabled_[0])
        engine_.Timer1_Timer();
    if (enabled_[1])
        engine_.Timer2_Timer();
}

} // namespace klavet
