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

TEST(ServerTimeMapper, KeepsTheStampsSpacingAndNeverPassesTheArrival) {
    ServerTimeMapper mapper;
    // Server clock 5 s behind, arrivals late by 0.3 to 4 ms.
    auto arrival = [](std::uint32_t stamp, std::chrono::microseconds late) {
        return SteadyTime(std::chrono::milliseconds(stamp) + 5s + late);
    };
    SteadyTime a = mapper.Map(1000, arrival(1000, 4000us));
    SteadyTime b = mapper.Map(1100, arrival(1100, 300us));
    SteadyTime c = mapper.Map(1350, arrival(1350, 2500us));
    EXPECT_EQ(a, arrival(1000, 4000us)); // nothing better known yet
    EXPECT_EQ(b, arrival(1100, 300us));
    EXPECT_EQ(c - b, 250ms);
    EXPECT_LE(c, arrival(1350, 2500us));
}

TEST(ServerTimeMapper, SurvivesTheWrapOfTheStamp) {
    ServerTimeMapper mapper;
    SteadyTime base = t0;
    SteadyTime before = mapper.Map(0xFFFFFFF0u, base);
    SteadyTime after = mapper.Map(0x00000010u, base + 32ms);
    EXPECT_EQ(after - before, 32ms);
}

TrainerState Gap(std::int16_t unit, std::int16_t idle, bool decoding) {
    TrainerState state;
    state.UnitTicks = unit;
    state.IdleTicks = idle;
    state.DecodeEnabled = decoding ? kTrue : kFalse;
    return state;
}

TEST(TicksUntilVisible, OnlyDecodingGapTicksCanShowAnything) {
    // Unit 8: the first decode comes on the tick that takes the count to 25.
    EXPECT_EQ(TicksUntilVisible(Gap(8, 0, true), true, true), 25);
    EXPECT_EQ(TicksUntilVisible(Gap(8, 24, true), true, false), 1);
    // Past the threshold, only the first tick after an event can change the result.
    EXPECT_EQ(TicksUntilVisible(Gap(8, 30, true), true, true), 1);
    EXPECT_FALSE(TicksUntilVisible(Gap(8, 30, true), true, false));
    // Calibrating, the key held down, or a threshold the count never passes.
    EXPECT_FALSE(TicksUntilVisible(Gap(8, 0, false), true, true));
    EXPECT_FALSE(TicksUntilVisible(Gap(8, 0, true), false, true));
    EXPECT_FALSE(TicksUntilVisible(Gap(11000, 0, true), true, true));
    // A unit of 0 decodes from the first tick.
    EXPECT_EQ(TicksUntilVisible(Gap(0, 0, true), true, true), 1);
}

} // namespace
} // namespace klavet
