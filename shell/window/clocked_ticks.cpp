#include "clocked_ticks.h"

#include <QInputEvent>

#include <algorithm>

namespace klavet {

namespace {

using namespace std::chrono_literals;

// While no coming tick can show anything, the ticks are handed over in
// batches once a second, and always before the next event. A batch stops
// short of the present by a margin, so that it never runs ahead of an input
// event that has happened but not yet arrived.
constexpr auto kBatchPeriod = 1000ms;
constexpr auto kBatchMargin = 50ms;

} // namespace

// Every tick of a running timer reaches the engine, in order, and all ticks
// due before an event are handed over before the event is handled. When they
// are handed over matters only for what the learner can see (the engine's
// TicksUntilVisible): for those ticks the window wakes on time; otherwise it
// wakes once a second and hands over a batch, which keeps the idle window
// from waking every millisecond.
ClockedTicks::ClockedTicks(TrainerEngine& engine, const TrainerState& state, const Clock& clock,
                           bool serverStamps, std::function<void(bool)> ticksRun)
    : engine_(engine), state_(state), clock_(clock), serverStamps_(serverStamps),
      ticksRun_(std::move(ticksRun)), handlerTime_(clock.Now()) {
    wake_.setSingleShot(true);
    wake_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&wake_, &QTimer::timeout, &wake_, [this] { OnWake(); });
}

SteadyTime ClockedTicks::EventTime(const QInputEvent* event) {
    const SteadyTime now = Now();
    if (serverStamps_)
        return serverTime_.Map(static_cast<std::uint32_t>(event->timestamp()), now);
    return now;
}

void ClockedTicks::RunAt(SteadyTime at, const std::function<void()>& handler) {
    at = ticks_.Settle(at);
    DeliverTicks(at);
    handlerTime_ = at;
    handler();
    eventSinceTick_ = true;
    Reschedule();
}

void ClockedTicks::SetEnabled(Timer timer, bool enabled) { ticks_.SetEnabled(timer, enabled, handlerTime_); }

void ClockedTicks::Hold() {
    wake_.stop();
    ticks_.Hold(handlerTime_);
}

void ClockedTicks::Release() { ticks_.Release(Now()); }

void ClockedTicks::DeliverDue() {
    if (!ticks_.Held())
        DeliverTicks(Now());
    Reschedule();
}

void ClockedTicks::DeliverTicks(SteadyTime until) {
    handlerTime_ = until;
    if (ticksRun_)
        ticksRun_(true);
    while (auto timer = ticks_.TakeDue(until)) {
        if (*timer == Timer::Timer1)
            engine_.Timer1_Timer();
        else
            engine_.Timer2_Timer();
        eventSinceTick_ = false;
    }
    if (ticksRun_)
        ticksRun_(false);
}

void ClockedTicks::Reschedule() {
    if (ticks_.Held())
        return;
    const auto next = ticks_.NextDue();
    if (!next) {
        wake_.stop();
        return;
    }
    const SteadyTime now = Now();
    const auto ahead = TicksUntilVisible(state_, ticks_.Enabled(Timer::Timer2), eventSinceTick_);
    wakeForVisibleTick_ = ahead.has_value();
    const SteadyTime due = ahead ? *next + TickClock::kPeriod * (*ahead - 1) : now + kBatchPeriod;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(due - now).count();
    wake_.start(static_cast<int>(std::clamp<std::int64_t>(wait, 0, 24 * 3600 * 1000)));
}

void ClockedTicks::OnWake() {
    if (ticks_.Held())
        return;
    const SteadyTime now = Now();
    DeliverTicks(wakeForVisibleTick_ ? now : now - kBatchMargin);
    Reschedule();
}

} // namespace klavet
