#pragma once

// The measuring of recorded stereo sound, for tests and benchmarks: where it
// sounds, how loud, and whether it jumps.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace klavet::testing {

// A stretch of frames [begin, end).
struct Segment {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t Length() const { return end - begin; }
};

// Stretches of one channel of interleaved stereo where |sample| > threshold;
// quieter runs shorter than `bridge` frames (a tone's zero crossings) join.
std::vector<Segment> Sounding(const std::vector<std::int16_t>& stereo, int channel, int threshold,
                              std::size_t bridge = 48);

int Peak(const std::vector<std::int16_t>& stereo, int channel, std::size_t begin, std::size_t end);

// The largest second difference of one channel: small for a smooth tone and
// its ramps, large at a click.
int MaxBend(const std::vector<std::int16_t>& stereo, int channel);
// The frames where one channel bends by `limit` or more.
std::vector<std::size_t> Bends(const std::vector<std::int16_t>& stereo, int channel, int limit);

} // namespace klavet::testing
