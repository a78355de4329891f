#include "sound_measures.h"

#include <algorithm>
#include <cstdlib>

namespace klavet::testing {

std::vector<Segment> Sounding(const std::vector<std::int16_t>& stereo, int channel, int threshold,
                              std::size_t bridge) {
    std::vector<Segment> segments;
    const std::size_t frames = stereo.size() / 2;
    for (std::size_t i = 0; i < frames; ++i) {
        if (std::abs(stereo[2 * i + channel]) <= threshold)
            continue;
        if (!segments.empty() && i - segments.back().end < bridge)
            segments.back().end = i + 1;
        else
            segments.push_back({i, i + 1});
    }
    return segments;
}

int Peak(const std::vector<std::int16_t>& stereo, int channel, std::size_t begin, std::size_t end) {
    int peak = 0;
    end = std::min(end, stereo.size() / 2);
    for (std::size_t i = begin; i < end; ++i)
        peak = std::max(peak, std::abs(static_cast<int>(stereo[2 * i + channel])));
    return peak;
}

namespace {
int BendAt(const std::vector<std::int16_t>& stereo, int channel, std::size_t i) {
    const int a = stereo[2 * (i - 2) + channel];
    const int b = stereo[2 * (i - 1) + channel];
    const int c = stereo[2 * i + channel];
    return std::abs(c - 2 * b + a);
}
} // namespace

int MaxBend(const std::vector<std::int16_t>& stereo, int channel) {
    int bend = 0;
    for (std::size_t i = 2; i < stereo.size() / 2; ++i)
        bend = std::max(bend, BendAt(stereo, channel, i));
    return bend;
}

std::vector<std::size_t> Bends(const std::vector<std::int16_t>& stereo, int channel, int limit) {
    std::vector<std::size_t> frames;
    for (std::size_t i = 2; i < stereo.size() / 2; ++i)
        if (BendAt(stereo, channel, i) >= limit)
            frames.push_back(i);
    return frames;
}

} // namespace klavet::testing
