#include "server_time_mapper.h"

#include <algorithm>

namespace klavet {

SteadyTime ServerTimeMapper::Map(std::uint32_t stampMs, SteadyTime arrival) {
    if (lastStamp_) {
        // The difference of two stamps, read as signed, survives the wrap.
        extendedMs_ += static_cast<std::int32_t>(stampMs - *lastStamp_);
    } else {
        extendedMs_ = stampMs;
    }
    lastStamp_ = stampMs;
    auto stamp = std::chrono::milliseconds(extendedMs_);
    auto offset = arrival.time_since_epoch() - std::chrono::duration_cast<std::chrono::nanoseconds>(stamp);
    if (!offset_ || offset < *offset_)
        offset_ = offset;
    return std::min(arrival, SteadyTime(std::chrono::duration_cast<SteadyTime::duration>(stamp + *offset_)));
}

} // namespace klavet
