// The stream placement against simulated servers of every shape, in virtual
// time: thousands of seeded presses a shape, with the stalls of a busy
// machine and of a server that stops for seconds. A failure names its seed;
// the same seed replays it exactly.

#include "keying_simulation.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <ostream>
#include <string>

namespace klavet::simulation {

void PrintTo(const ServerShape& shape, std::ostream* out) {
    *out << shape.name;
}

namespace {

std::size_t PressesPerShape() {
    const char* text = std::getenv("KLAVET_SIMULATED_PRESSES");
    return text ? static_cast<std::size_t>(std::atol(text)) : 3000;
}

std::string Describe(const KeyingRun& run) {
    return run.shape.name + ", seed " + std::to_string(run.seed);
}

// How far past the floor the server's steps and the client's rendering let
// an edge land, in ms: a block of the server's reading, and the time the
// client takes to render its whole queue, which an edge may wait for.
double StepsMs(const ServerShape& shape) {
    return 1e3 * (static_cast<double>(shape.block) / 48000 +
                  shape.clientFrameCost * static_cast<double>(QueueSizes{}.ahead));
}

class SimulatedKeyingTest : public ::testing::TestWithParam<ServerShape> {};

TEST_P(SimulatedKeyingTest, EveryPressIsHeardWholeAndNothingElseIsHeard) {
    KeyingRun run;
    run.shape = GetParam();
    run.presses = PressesPerShape();
    run.seed = 11;
    run.busyMachine = false;
    const KeyingFigures f = RunKeying(run);
    SCOPED_TRACE(Describe(run));
    ASSERT_GT(f.measured, run.presses * 3 / 4);
    EXPECT_EQ(f.gaps, 0u);
    EXPECT_EQ(f.stray, 0u);
    EXPECT_EQ(f.unheard, 0u) << "of " << f.measured;
    EXPECT_EQ(f.overtaken, 0u);
    // A tone lasts as long as it was held, and up to 3 ms longer where its
    // start went over silence, give or take where the server's steps let
    // each edge land.
    EXPECT_LT(f.lengthError.median, 5.0);
    EXPECT_LT(f.lengthError.p99, 30.0);
    // Never sooner than the server allows, and soon after that: within
    // the steps above and the margins of the read clock.
    EXPECT_GE(f.onsetOver.median, 0.0);
    const double block = StepsMs(run.shape);
    if (!run.shape.rewinds) {
        EXPECT_LT(f.onsetOver.median, block + 12.0);
        EXPECT_LT(f.releaseOver.median, block + 18.0);
    }
}

// A server that neither reads nor answers for seconds while keys are
// pressed, on a machine busy enough to hold it up for a tenth of a second
// every few: a second after its return, every press is heard as before.
TEST_P(SimulatedKeyingTest, BackWithinASecondOfAStall) {
    KeyingRun run;
    run.shape = GetParam();
    run.presses = PressesPerShape() / 2;
    run.seed = 23;
    run.stallEvery = 40;
    run.busyMachine = true;
    const KeyingFigures f = RunKeying(run);
    SCOPED_TRACE(Describe(run));
    ASSERT_GT(f.stalls, 3u);
    EXPECT_EQ(f.gaps, 0u);
    EXPECT_EQ(f.overtaken, 0u);
    // What was keyed before the server stopped is not heard on its return,
    // long after the key was released; a sink that rewinds keeps some of it
    // in a buffer of its own, out of reach.
    if (!run.shape.rewinds) {
        EXPECT_EQ(f.stray, 0u);
    }
    EXPECT_EQ(f.unheard, 0u) << "of " << f.measured;
    EXPECT_LT(f.lengthError.median, 5.0);
    const double block = StepsMs(run.shape);
    if (!run.shape.rewinds) {
        EXPECT_LT(f.onsetOver.median, block + 12.0);
        // A lag a stall left is made up within the second, not carried on.
        EXPECT_LT(f.onsetOver.p99, block + 50.0);
        EXPECT_LT(f.releaseOver.p99, block + 50.0);
    }
}

TEST(SimulatedKeyingReplay, OneSeedOneRun) {
    KeyingRun run;
    run.shape = ServerShapes().front();
    run.presses = 300;
    run.stallEvery = 60;
    run.seed = 5;
    const KeyingFigures a = RunKeying(run);
    const KeyingFigures b = RunKeying(run);
    EXPECT_EQ(a.onset.worst, b.onset.worst);
    EXPECT_EQ(a.releaseOver.p99, b.releaseOver.p99);
    EXPECT_EQ(a.overtaken, b.overtaken);
    run.seed = 6;
    EXPECT_NE(RunKeying(run).onset.worst, a.onset.worst);
}

INSTANTIATE_TEST_SUITE_P(Shapes, SimulatedKeyingTest, ::testing::ValuesIn(ServerShapes()),
                         [](const auto& info) {
                             std::string name;
                             for (char c : info.param.name)
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

} // namespace
} // namespace klavet::simulation
