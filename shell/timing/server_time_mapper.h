#pragma once

// Places the X server's millisecond time stamps of input events on the
// steady clock, so that a press is timed from when it happened rather than
// from when it was read. Plain arithmetic: it neither reads a clock nor knows
// the toolkit.

#include "clock.h"

#include <cstdint>
#include <optional>

namespace klavet {

// The offset between the two clocks is taken as the smallest difference seen
// between an event's arrival and its stamp, so that the stamp keeps its
// precision while the arrival keeps the scale. The result never lies after
// the arrival.
class ServerTimeMapper {
public:
    SteadyTime Map(std::uint32_t stampMs, SteadyTime arrival);

private:
    std::optional<std::uint32_t> lastStamp_;
    std::int64_t extendedMs_ = 0; // stamp widened past its 32-bit wrap
    std::optional<std::chrono::nanoseconds> offset_;
};

} // namespace klavet
