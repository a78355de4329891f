#pragma once

// Reading of PCM wave files into clips at the output's rate. Any input is
// safe: a file that is not a usable wave file gives no clip, never a crash.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace klavet {

// A decoded sound at the output's rate: one or two channels of samples in
// -1..1, interleaved when there are two. Immutable once made.
struct Clip {
    int channels = 1;
    std::vector<float> samples;

    std::size_t Frames() const { return samples.size() / static_cast<std::size_t>(channels); }
};

// Longest clip kept: a longer file plays only its first part.
inline constexpr double kMaxClipSeconds = 120.0;

// Decodes the bytes of a wave file (8, 16, 24 or 32-bit integer PCM, 32 or
// 64-bit float, any channel count, rates 1 kHz to 384 kHz) and converts it to
// `rate` frames per second. The first two channels are kept. Returns null when
// the bytes are not such a file or hold no sample.
std::shared_ptr<const Clip> DecodeWave(std::span<const std::uint8_t> bytes, int rate);

// Reads and decodes the file at `path`; null when it cannot be read or decoded.
std::shared_ptr<const Clip> LoadWaveFile(const std::string& path, int rate);

} // namespace klavet
