#include "tick_clock.h"

#include <gtest/gtest.h>

#include <vector>

namespace klavet {
namespace {

using namespace std::chrono_literals;

const SteadyTime t0 = SteadyTime(100s);

int Drain(TickClock& clock, SteadyTime until, Timer timer) {
    int count = 0;
    while (auto due = clock.TakeDue(until))
        count += (*due == timer) ? 1 : 0;
    return count;
}

TEST(TickClock, CountsOneTickPerMillisecondFromTheStart) {
    TickClock clock;
    clock.SetEnabled(Timer::Timer1, true, t0);
    EXPECT_EQ(Drain(clock, t0 + 999us, Timer::Timer1), 0);
    EXPECT_EQ(Drain(clock, t0 + 1ms, Timer::Timer1), 1);
    EXPECT_EQ(Drain(clock, t0 + 120ms + 500us, Timer::Timer1), 119);
    EXPECT_EQ(clock.NextDue(), t0 + 121ms);
}

TEST(TickClock, PressLengthInTicksFollowsTheEventTimes) {
    TickClock clock;
    clock.SetEnabled(Timer::Timer2, true, t0);
    SteadyTime down = t0 + 37ms + 400us;
    EXPECT_EQ(Drain(clock, down, Timer::Timer2), 37);
    clock.SetEnabled(Timer::Timer1, true, down);
    clock.SetEnabled(Timer::Timer2, false, down);
    SteadyTime up = down + 83ms + 900us;
    EXPECT_EQ(Drain(clock, up, Timer::Timer1), 83);
    clock.SetEnabled(Timer::Timer1, false, up);
    EXPECT_FALSE(clock.NextDue());
}

TEST(TickClock, DeliversBothTimersInTimeOrder) {
    TickClock clock;
    clock.SetEnabled(Timer::Timer2, true, t0);
    clock.SetEnabled(Timer::Timer1, true, t0 + 500us);
    std::vector<Timer> order;
    while (auto due = clock.TakeDue(t0 + 2ms + 600us))
        order.push_back(*due);
    EXPECT_EQ(order, (std::vector<Timer>{Timer::Timer2, Timer::Timer1, Timer::Timer2, Timer::Timer1}));
}

TEST(TickClock, HeldTimeIsNotCounted) {
    TickClock clock;
    clock.SetEnabled(Timer::Timer2, true, t0);
    EXPECT_EQ(Drain(clock, t0 + 10ms, Timer::Timer2), 10);
    clock.Hold(t0 + 10ms + 200us);
    EXPECT_FALSE(clock.TakeDue(t0 + 900ms));
    clock.Release(t0 + 810ms + 200us); // held 800 ms
    // An event that came during the hold counts as coming at its end.
    EXPECT_EQ(clock.Settle(t0 + 500ms), t0 + 810ms + 200us);
    // Ticks 11 to 15 of the counted time.
    EXPECT_EQ(Drain(clock, t0 + 815ms, Timer::Timer2), 5);
}

TEST(TickClock, TimerEnabledDuringAHoldStartsWhenItEnds) {
    TickClock clock;
    clock.Hold(t0);
    clock.SetEnabled(Timer::Timer1, true, t0 + 50ms);
    clock.Release(t0 + 300ms);
    EXPECT_EQ(Drain(clock, t0 + 310ms, Timer::Timer1), 10);
}

TEST(TickClock, EventsNeverLieBeforeADeliveredTick) {
    TickClock clock;
    clock.SetEnabled(Timer::Timer2, true, t0);
    Drain(clock, t0 + 20ms, Timer::Timer2);
    EXPECT_EQ(clock.Settle(t0 + 15ms), t0 + 20ms);
    EXPECT_EQ(clock.Settle(t0 + 25ms), t0 + 25ms);
    // A press stamped before the last gap tick starts its count from there.
    clock.SetEnabled(Timer::Timer1, true, t0 + 18ms);
    EXPECT_EQ(clock.NextDue(), t0 + 21ms);
}

} // namespace
} // namespace klavet
