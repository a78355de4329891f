// The watch over PipeWire's graph, which the output cases trust to tell the
// server's own glitches: it must see one when the server's pulse service is
// held still while the graph runs, and not see one everywhere.

#include "sound_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace klavet::testing {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

TEST(GraphWatchTest, PulseServiceHeldStillIsACycleRunLateAndAQuietSpanIsNot) {
    const auto server = MakeSoundServer("pipewire");
    ASSERT_TRUE(server->Start()) << "the private sound server did not start";
    // The server glitches of itself now and then: of five quiet spans, one at
    // least is clean.
    int clean = 0;
    for (int span = 0; span < 5; ++span) {
        const auto from = Clock::now();
        std::this_thread::sleep_for(200ms);
        clean += !server->RanLate(from, Clock::now());
    }
    EXPECT_GT(clean, 0);
    for (int round = 0; round < 3; ++round) {
        std::this_thread::sleep_for(200ms);
        const auto from = Clock::now();
        // Its streams are the graph's followers: they cannot finish while it
        // is stopped, and the driver goes on.
        server->Freeze();
        std::this_thread::sleep_for(60ms);
        server->Thaw();
        std::this_thread::sleep_for(200ms);
        EXPECT_TRUE(server->RanLate(from, Clock::now())) << "round " << round;
    }
}

} // namespace
} // namespace klavet::testing
