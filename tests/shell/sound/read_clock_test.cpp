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
        const SteppingServer server{static_cast<double>(32 + random() % 1024), 100.0 + (random() % 1000) / 1e3};
        ReadClock clock(kRate);
        EXPECT_FALSE(clock.Valid());
        double t = server.origin + 0.05;
        for (int i = 0; i < 64; ++i) {
            // Asked at t, read somewhere in the round trip, answered at t + trip.
            const double trip = (10 + random() % 2000) / 1e6;
            const double readAt = t + trip * (random() % 1000) / 1e3;
            clock.Add(server.ReadBy(readAt), t + trip);
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

TEST(ReadClockTest, ResetForgetsWhatWasLearnt) {
    ReadClock clock(kRate);
    clock.Add(48000, 10.0);
    EXPECT_NEAR(clock.Predict(11.0), 96000, 1e-6);
    clock.Reset();
    EXPECT_FALSE(clock.Valid());
    clock.Add(1000, 20.0);
    EXPECT_NEAR(clock.Predict(20.5), 1000 + 24000, 1e-6);
}

} // namespace
} // namespace klavet
