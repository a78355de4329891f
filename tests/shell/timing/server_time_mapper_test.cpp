#include "server_time_mapper.h"

#include <gtest/gtest.h>

namespace klavet {
namespace {

using namespace std::chrono_literals;

const SteadyTime t0 = SteadyTime(100s);

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

} // namespace
} // namespace klavet
