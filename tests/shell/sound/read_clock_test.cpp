// The estimate of a server's read position, against servers that read in
// steps of their own and answer after round trips of their own.

#include "read_clock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace klavet {
namespace {

constexpr int kRate = 48000;

// A server that reads `block` frames at a time, each step when the previous
// one has played out, from `origin` seconds on.
struct SteppingServer {
    double block;
    double origin;
    double ReadBy(double t) const { return (std::floor((t - origin) * kRate / block) + 1) * block; }
    // The line through the tops of the steps: no read goes past it.
    double Top(double t) const { return (t - origin) * kRate + block; }
};

TEST(ReadClockTest, NeverPastTheTopsOfTheServersStepsAndCloseToThemOnceSampled) {
    for (unsigned seed = 1; seed <= 50; ++seed) {
        std::mt19937 random(seed);
        const SteppingServer server{static_cast<double>(32 + random() % 1024),
                                    100.0 + (random() % 1000) / 1e3};
        ReadClock clock(kRate);
        EXPECT_FALSE(clock.Valid());
        double t = server.origin + 0.05;
        for (int i = 0; i < 64; ++i) {
            // Asked at t, read somewhere in the round trip, answered at t + trip.
            const double trip = (10 + random() % 2000) / 1e6;
            const double readAt = t + trip * (random() % 1000) / 1e3;
            clock.Add(server.ReadBy(readAt), t + trip, trip, true);
            ASSERT_TRUE(clock.Valid());
            for (double later : {0.0, 0.003, 0.5, 2.0})
                ASSERT_LE(clock.Predict(t + trip + later), server.Top(t + trip + later) + 1e-6)
                    << "seed " << seed << ", sample " << i;
            t += (5000 + random() % 10000) / 1e6;
        }
        // The highest of 64 samples is within a tenth of a step and the
        // longest round trip of the highest the server can have read.
        EXPECT_GE(clock.Predict(t), server.Top(t) - server.block * 0.1 - 0.002 * kRate) << "seed " << seed;
    }
}

// A server whose first answers came before it really began to read: its
// reading runs 40 ms behind the line those answers drew.
// Whether 40 ms late or half a second (as far as a stall leaves a server).
TEST(ReadClockTest, LineFromAServerThatBeganLateIsDrawnAgainOnlyWhenAllowed) {
    const SteppingServer early{256, 10.0};
    for (double lateBy : {0.04, 0.5}) {
        const SteppingServer late{256, 10.0 + lateBy};
        for (bool mayLower : {true, false}) {
            ReadClock clock(kRate);
            clock.Add(early.ReadBy(10.001), 10.001, 0.0002, mayLower);
            double t = 10.6;
            for (int i = 0; i < 20; ++i, t += 0.0103)
                clock.Add(late.ReadBy(t), t, 0.0002, mayLower);
            if (mayLower) {
                EXPECT_LE(clock.Predict(t), late.Top(t) + 1e-6) << lateBy;
                EXPECT_GE(clock.Predict(t), late.Top(t) - 0.1 * late.block - 0.001 * kRate) << lateBy;
            } else {
                EXPECT_GE(clock.Predict(t), early.Top(t) - 0.001 * kRate) << "what sounds keeps its timing";
            }
        }
    }
}

// A server that reads in blocks longer than the line's own threshold (a
// pipe sink's 1024 frames, 21 ms) and was caught late in its step several
// times in a row, all more than 10 ms short of the line: that is how such a
// server reads, not a sign that it reads later than before. The line stays.
TEST(ReadClockTest, LineIsNotLoweredByASeriesOfSamplesCaughtLateInLargeSteps) {
    const SteppingServer server{1024, 40.0};
    // The n-th step, a fraction `late` of the way through it.
    auto at = [&](int n, double late) { return server.origin + (n + late) * server.block / kRate; };
    ReadClock clock(kRate);
    // Caught anywhere in its steps at first,
    for (int n = 1; n <= 24; ++n) {
        const double t = at(n, (n * 7 % 24) / 24.0);
        clock.Add(server.ReadBy(t), t, 0.0002, true);
    }
    // then late in every other step, 15 ms short of the line.
    for (int n = 26; n < 42; n += 2) {
        const double t = at(n, 0.7);
        ASSERT_GT(server.Top(t) - server.ReadBy(t), 0.6 * server.block) << "the world is as described";
        clock.Add(server.ReadBy(t), t, 0.0002, true);
        EXPECT_LE(clock.Predict(t), server.Top(t) + 1e-6);
        EXPECT_GE(clock.Predict(t), server.Top(t) - 0.1 * server.block) << "step " << n;
    }
}

// A server whose reading thread wakes up to 4 ms late reads late and answers
// from there; a message wakes it, and it catches up at once. Once it has
// been seen stepping and catching up, a write aimed Delay() ahead of the line
// is never behind what it reads when the write reaches it.
TEST(ReadClockTest, WriteAimedDelayAheadIsNotOvertakenByAServerCatchingUp) {
    for (unsigned seed = 1; seed <= 50; ++seed) {
        std::mt19937 random(seed);
        const SteppingServer server{static_cast<double>(64 + random() % 512), 50.0};
        ReadClock clock(kRate);
        double t = 50.1;
        bool caughtUp = false;
        for (int i = 0; i < 400; ++i, t += (5000 + random() % 10000) / 1e6) {
            const bool woken = random() % 5 == 0;
            const double late = woken ? 0.0 : (1000 + random() % 3000) / 1e6;
            const double trip = (50 + random() % 400) / 1e6;
            clock.Add(server.ReadBy(t - late), t, trip, random() % 2 == 0);
            caughtUp = caughtUp || woken;
            if (!caughtUp || i < 8)
                continue;
            const double aim = clock.Predict(t + clock.Delay());
            ASSERT_GE(aim, server.ReadBy(t + trip)) << "seed " << seed << ", sample " << i;
        }
    }
}

// Writes sent at random moments reach the server after trips of their own;
// each tells where it found the server. Later ones, aimed where the clock says
// nothing is read yet, must find it so, whatever the server's step: whether
// answers come over trips of up to 2 ms bearing the server's time stamp, or
// over trips of 2 to 10 ms each way with none (each sample then taken as read
// when its answer came, though the server read it up to a round trip before).
TEST(ReadClockTest, WriteAimedWhereUnreadIsNotOvertakenWhateverTheStepOrTheStamp) {
    for (const bool stamped : {true, false}) {
        for (unsigned seed = 1; seed <= 100; ++seed) {
            std::mt19937 random(seed);
            const SteppingServer server{static_cast<double>(32 + random() % 2048), 30.0};
            ReadClock clock(kRate);
            double t = 30.05;
            auto trip = [&] {
                return stamped ? (20 + random() % 2000) / 1e6 : (2000 + random() % 8000) / 1e6;
            };
            for (int i = 0; i < 40; ++i, t += (5000 + random() % 10000) / 1e6) {
                const double there = trip();
                if (stamped) {
                    clock.Add(server.ReadBy(t + there * (random() % 1000) / 1e3), t + there, there, true);
                } else {
                    const double back = trip();
                    clock.Add(server.ReadBy(t + there), t + there + back, there + back, true, there + back);
                }
            }
            for (int i = 0; i < 200; ++i, t += (20000 + random() % 200000) / 1e6) {
                const double travel = trip();
                ASSERT_GE(clock.UnreadFrom(t), server.ReadBy(t + travel))
                    << (stamped ? "stamped" : "no stamp") << ", seed " << seed << ", write " << i;
                if (i % 10 == 0)
                    clock.Landed(server.ReadBy(t + travel), t);
            }
        }
    }
}

TEST(ReadClockTest, AimIsDelayAheadUntilSettledGuardedUntilLandedThenKeepsALandingFoundFarAheadForSeconds) {
    ReadClock clock(kRate);
    const SteppingServer server{128, 10.0};
    double t = 10.01;
    for (int i = 0; i < 3; ++i, t += 0.01) {
        clock.Add(server.ReadBy(t), t, 0.0003, true);
        EXPECT_DOUBLE_EQ(clock.UnreadFrom(t), clock.Predict(t + clock.Delay()));
    }
    for (int i = 0; i < 40; ++i, t += 0.01)
        clock.Add(server.ReadBy(t), t, 0.0003, true);
    // Sampled enough, but few writes have yet told where they found the
    // server: a fixed guard more, which a slow answer does not move.
    for (int i = 0; i < 3; ++i, t += 0.01) {
        const double aim = clock.UnreadFrom(t) - clock.Predict(t);
        EXPECT_GE(aim, 0.006 * kRate);
        EXPECT_LT(aim, 0.011 * kRate);
        clock.Add(server.ReadBy(t), t, 0.03, true);
        EXPECT_LT(clock.UnreadFrom(t) - clock.Predict(t), aim + 0.005 * kRate)
            << "not moved by a slow answer";
        clock.Landed(server.ReadBy(t + 0.0002), t);
    }
    clock.Landed(server.ReadBy(t + 0.0002), t);
    // Settled: a step of 128 frames and a margin ahead, not the generous delay.
    EXPECT_LT(clock.UnreadFrom(t), clock.Predict(t) + 0.005 * kRate);
    // One write found the server 30 ms past the line: the aim stays past that
    // for a while, then comes back to a step or so.
    clock.Landed(clock.Predict(t) + 0.03 * kRate, t);
    EXPECT_GE(clock.UnreadFrom(t + 0.5), clock.Predict(t + 0.5) + 0.03 * kRate * 0.9);
    for (int i = 0; i < 6000; ++i, t += 0.01) {
        clock.Add(server.ReadBy(t), t, 0.0003, true);
        if (i % 20 == 0)
            clock.Landed(server.ReadBy(t + 0.0002), t);
    }
    EXPECT_LT(clock.UnreadFrom(t), clock.Predict(t) + 0.005 * kRate);
}

// A server that stalled for a moment answers far below the line a few
// times. That says nothing of how far past the line it can read: the aim
// stays a step or so ahead, and writes are still never overtaken.
TEST(ReadClockTest, AimIsNotThrownFarAheadByAServerThatWasLateAWhile) {
    for (unsigned seed = 1; seed <= 50; ++seed) {
        std::mt19937 random(seed);
        const SteppingServer server{static_cast<double>(64 + random() % 256), 20.0};
        ReadClock clock(kRate);
        double t = 20.05;
        for (int i = 0; i < 200; ++i, t += (5000 + random() % 10000) / 1e6) {
            const bool stalled = i % 40 >= 30 && i % 40 < 36;
            const double late = stalled ? (20000 + random() % 60000) / 1e6 : 0.0;
            const double trip = (20 + random() % 500) / 1e6;
            clock.Add(server.ReadBy(t - late + trip * (random() % 1000) / 1e3), t + trip, trip, false);
            if (i % 10 == 0 && !stalled)
                clock.Landed(server.ReadBy(t + trip), t);
            if (i < 40)
                continue;
            ASSERT_LT(clock.UnreadFrom(t), clock.Predict(t) + server.block * 1.5 + 0.003 * kRate)
                << "seed " << seed << ", sample " << i;
            ASSERT_GE(clock.UnreadFrom(t), server.ReadBy(t + 0.001)) << "seed " << seed << ", sample " << i;
        }
    }
}

// A server that now and then stops reading for a moment, then makes the lag
// up gradually, reading a few per cent faster for a second or so: its answers
// lie below the line for longer than a quarter of the samples kept.
struct LaggingServer {
    double block;
    double origin;
    double stall; // seconds stopped, once a cycle
    double cycle; // seconds
    double Lag(double t) const {
        const double u = std::fmod(t - origin, cycle);
        return u < stall ? u * kRate : std::max(0.0, (stall - (u - stall) * 0.035) * kRate);
    }
    double ReadBy(double t) const {
        return (std::floor(((t - origin) * kRate - Lag(t)) / block) + 1) * block;
    }
};

// Such a lag says nothing of how far past the line the server can read: the
// aim stays a step or so ahead, and writes are still never overtaken.
TEST(ReadClockTest, AimIsNotThrownFarAheadByALagMadeUpGradually) {
    for (unsigned seed = 1; seed <= 50; ++seed) {
        std::mt19937 random(seed);
        const LaggingServer server{static_cast<double>(64 + random() % 256), 20.0,
                                   (10000 + random() % 40000) / 1e6, 1.6};
        ReadClock clock(kRate);
        double t = 20.05;
        for (int i = 0; i < 600; ++i, t += (5000 + random() % 10000) / 1e6) {
            const double trip = (20 + random() % 500) / 1e6;
            clock.Add(server.ReadBy(t + trip * (random() % 1000) / 1e3), t + trip, trip, false);
            if (i % 10 == 0)
                clock.Landed(server.ReadBy(t + trip), t);
            if (i < 40)
                continue;
            ASSERT_LT(clock.UnreadFrom(t),
                      clock.Predict(t) + std::max(0.006 * kRate, server.block * 1.5) + 0.003 * kRate)
                << "seed " << seed << ", sample " << i;
            ASSERT_GE(clock.UnreadFrom(t), server.ReadBy(t + 0.001)) << "seed " << seed << ", sample " << i;
        }
    }
}

// The aim's ceiling is what a change over silence is held back by: never
// below the aim, keeping a larger aim of late for a second or so, and back to
// the aim some seconds after.
TEST(ReadClockTest, AimCeilingKeepsTheLargestAimOfLateForAWhile) {
    ReadClock clock(kRate);
    const SteppingServer server{128, 10.0};
    double t = 10.01;
    auto aim = [&] { return clock.UnreadFrom(t) - clock.Predict(t); };
    for (int i = 0; i < 3; ++i, t += 0.01) {
        clock.Add(server.ReadBy(t), t, 0.0003, true);
        EXPECT_DOUBLE_EQ(clock.AimCeiling(t), aim()) << "unsettled: the aim itself";
    }
    for (int i = 0; i < 40; ++i, t += 0.01)
        clock.Add(server.ReadBy(t), t, 0.0003, true);
    const double guarded = aim();
    EXPECT_NEAR(clock.AimCeiling(t), guarded, 1e-6);
    for (int i = 0; i < 4; ++i)
        clock.Landed(server.ReadBy(t + 0.0002), t);
    ASSERT_LT(aim(), guarded - 0.004 * kRate) << "the guard is off once writes have landed";
    for (int i = 0; i < 20; ++i, t += 0.01) {
        clock.Add(server.ReadBy(t), t, 0.0003, true);
        EXPECT_GE(clock.AimCeiling(t), guarded * 0.9) << "kept for a while";
    }
    for (int i = 0; i < 1500; ++i, t += 0.01)
        clock.Add(server.ReadBy(t), t, 0.0003, true);
    EXPECT_GE(clock.AimCeiling(t), aim());
    EXPECT_LT(clock.AimCeiling(t), aim() + 0.0005 * kRate) << "and forgotten";
}

// Where writes sent to the server's read position typically land: until a
// few have landed, where the samples mostly found it, within a step below the
// line; then the median of the latest landings, so that one far landing does
// not move it, and old ones are forgotten.
TEST(ReadClockTest, TypicalLandingIsWhereSamplesThenTheLatestLandingsMostlyFoundTheServer) {
    ReadClock clock(kRate);
    const SteppingServer server{128, 10.0};
    double t = 10.01;
    std::mt19937 random(7);
    auto sample = [&] {
        for (int i = 0; i < 40; ++i, t += (5000 + random() % 10000) / 1e6)
            clock.Add(server.ReadBy(t), t, 0.0003, true);
    };
    sample();
    for (double beyond : {-300.0, -250.0, -280.0}) {
        clock.Landed(clock.Predict(t) + beyond, t);
        EXPECT_LE(clock.TypicalLanding(), 0) << "too few landings: from the samples";
        EXPECT_GE(clock.TypicalLanding(), -128);
    }
    clock.Landed(clock.Predict(t) + 2000, t);
    clock.Landed(clock.Predict(t) - 260, t);
    EXPECT_NEAR(clock.TypicalLanding(), -260, 1e-6);
    for (int i = 0; i < 8; ++i)
        clock.Landed(clock.Predict(t) + 40 + i, t);
    EXPECT_NEAR(clock.TypicalLanding(), 44, 1e-6);
    clock.Reset();
    sample();
    EXPECT_LE(clock.TypicalLanding(), 0) << "landings forgotten";
    EXPECT_GE(clock.TypicalLanding(), -128);
}

TEST(ReadClockTest, DelayIsGenerousUntilSettledThenKeepsASlowAnswerForSeconds) {
    ReadClock clock(kRate, 32);
    const SteppingServer server{256, 10.0};
    double t = 10.01;
    for (int i = 0; i < 3; ++i, t += 0.01)
        clock.Add(server.ReadBy(t), t, 0.0003, true);
    EXPECT_FALSE(clock.Settled());
    EXPECT_GE(clock.Delay(), 0.02);
    for (int i = 0; i < 100; ++i, t += 0.01)
        clock.Add(server.ReadBy(t), t, i == 5 ? 0.012 : 0.0003, true);
    // A second after the slow answer, and many quick ones.
    EXPECT_TRUE(clock.Settled());
    EXPECT_GE(clock.Delay(), 0.012 * 0.9);
    EXPECT_LT(clock.Delay(), 0.012 + 0.007);
    for (int i = 0; i < 6000; ++i, t += 0.01)
        clock.Add(server.ReadBy(t), t, 0.0003, true);
    EXPECT_GE(clock.Delay(), 0.0003);
    EXPECT_LT(clock.Delay(), 0.0003 + 0.007);
}

TEST(ReadClockTest, ResetForgetsWhatWasLearnt) {
    ReadClock clock(kRate);
    clock.Add(48000, 10.0, 0, true);
    EXPECT_NEAR(clock.Predict(11.0), 96000, 1e-6);
    clock.Reset();
    EXPECT_FALSE(clock.Valid());
    clock.Add(1000, 20.0, 0, true);
    EXPECT_NEAR(clock.Predict(20.5), 1000 + 24000, 1e-6);
}

// A server that neither reads nor answers for 1 to 5 s, a write sent to it
// meanwhile, then its return: the device forgets the clock when it sees the
// stall (not when it was at rest and asked nothing meanwhile), the first
// answer still tells where the server stopped, and then it either reads on
// from there or catches up at once on what it missed (a sink timed by the
// clock does). A second after the return the aim is back to a step or so,
// the line close to the server's reading, and no write aimed where unread is
// overtaken.
TEST(ReadClockTest, AfterAStallTheAimIsBackWithinASecondWhetherTheServerCatchesUpOrNot) {
    for (unsigned seed = 1; seed <= 200; ++seed) {
        std::mt19937 random(seed);
        const SteppingServer server{static_cast<double>(64 + random() % 960), 100.0};
        const double stallFrom = 102.0 + (random() % 1000) / 1e4;
        const double stall = 1.0 + (random() % 4000) / 1e3;
        const double back = stallFrom + stall;
        const bool catchesUp = seed % 2 == 0;
        const bool seen = seed % 4 < 2;
        const auto readBy = [&](double t) {
            if (t < stallFrom)
                return server.ReadBy(t);
            if (t < back)
                return server.ReadBy(stallFrom);
            return catchesUp ? server.ReadBy(t) : server.ReadBy(t - stall);
        };
        const auto top = [&](double t) { return catchesUp ? server.Top(t) : server.Top(t - stall); };
        ReadClock clock(kRate);
        double t = 100.01;
        for (int i = 0; t < stallFrom; ++i, t += 0.01) {
            clock.Add(readBy(t), t, 0.0003, i % 50 > 10);
            if (i % 20 == 0)
                clock.Landed(readBy(t + 0.0003), t);
        }
        if (seen)
            clock.Reset();
        // Written during the stall, it lands where the server is on its return.
        // A stall the device did not see came while the stream rested.
        clock.Add(readBy(stallFrom), back + 0.0005, 0, !seen);
        clock.Landed(readBy(back + 0.001), stallFrom + 0.1);
        for (t = back + 0.01; t < back + 1.0; t += 0.01)
            clock.Add(readBy(t), t, 0.0003, false);
        // A step, a margin, and a guard until writes land again.
        const double step = server.block * 1.5 + 0.01 * kRate;
        EXPECT_LT(clock.UnreadFrom(t) - clock.Predict(t), step) << "seed " << seed;
        EXPECT_LT(clock.AimCeiling(t), step) << "seed " << seed;
        EXPECT_GE(clock.UnreadFrom(t), readBy(t + 0.0005)) << "seed " << seed;
        EXPECT_LE(clock.Predict(t), top(t) + 1e-6) << "seed " << seed;
        EXPECT_GE(clock.Predict(t), top(t) - server.block * 0.1 - 0.002 * kRate) << "seed " << seed;
    }
}

} // namespace
} // namespace klavet
