#pragma once

// The trainer's tick delivery: the ticks of both timers are counted from a
// clock, input events are placed at their X server time stamps, and every tick
// due before an event reaches the engine before the event does. The window
// wakes only for a tick the learner could see; the others are handed over in
// batches. It calls the engine's tick handlers and nothing else of it.

#include "clock.h"
#include "keying.h"
#include "server_time_mapper.h"
#include "tick_clock.h"
#include "tick_delivery.h"
#include "trainer_state.h"

#include <QTimer>

#include <functional>

namespace klavet {

class ClockedTicks final : public TickDelivery {
public:
    // `serverStamps`: input events carry X server time stamps to go by.
    // `ticksRun` is told when a run of ticks begins (true) and ends (false).
    ClockedTicks(TrainerEngine& engine, const TrainerState& state, const Clock& clock, bool serverStamps,
                 std::function<void(bool)> ticksRun = {});

    SteadyTime Now() const override { return clock_.Now(); }
    SteadyTime EventTime(const QInputEvent* event) override;
    void RunAt(SteadyTime at, const std::function<void()>& handler) override;
    void SetEnabled(Timer timer, bool enabled) override;
    bool Enabled(Timer timer) const override { return ticks_.Enabled(timer); }
    void Hold() override;
    void Release() override;
    void DeliverDue() override;

private:
    void DeliverTicks(SteadyTime until);
    void Reschedule();
    void OnWake();

    TrainerEngine& engine_;
    const TrainerState& state_;
    const Clock& clock_;
    const bool serverStamps_;
    const std::function<void(bool)> ticksRun_;

    TickClock ticks_;
    ServerTimeMapper serverTime_;
    QTimer wake_;
    bool wakeForVisibleTick_ = false;
    bool eventSinceTick_ = true;
    SteadyTime handlerTime_; // the time of the handler or tick being run
};

} // namespace klavet
