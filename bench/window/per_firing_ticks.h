#pragma once

// The benchmark's baseline tick delivery: one engine tick per firing of a
// plain 1 ms Qt timer, however late the firing is, and every event handled
// when it is read. It shows what the trainer's clocked ticks improve on; the
// trainer itself never uses it.

#include "keying.h"
#include "tick_delivery.h"

#include <QTimer>

#include <array>

namespace klavet {

class PerFiringTicks final : public TickDelivery {
public:
    explicit PerFiringTicks(TrainerEngine& engine);

    SteadyTime Now() const override { return std::chrono::steady_clock::now(); }
    SteadyTime EventTime(const QInputEvent*) override { return Now(); }
    void RunAt(SteadyTime, const std::function<void()>& handler) override;
    void SetEnabled(Timer timer, bool enabled) override;
    bool Enabled(Timer timer) const override { return enabled_[Index(timer)]; }
    void Hold() override;
    void Release() override;
    void DeliverDue() override {}

private:
    static std::size_t Index(Timer timer) { return timer == Timer::Timer1 ? 0 : 1; }
    void Restart();
    void OnFiring();

    TrainerEngine& engine_;
    std::array<bool, 2> enabled_{};
    bool held_ = false;
    QTimer firing_;
};

} // namespace klavet
