#pragma once

// Synthesis of keyed tones and their writing as 16-bit PCM wave files. Makes
// the trainer's sound files at build time; plays nothing itself.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace klavet::tools {

struct ToneShape {
    int rate = 48000;
    double frequency = 700.0;
    double toneSeconds = 0.1;
    double silenceSeconds = 0.1; // after the tone
    double edgeSeconds = 0.005;  // raised-cosine rise and fall
    double amplitude = 0.5;      // of full scale
};

// Mono samples: the tone with its edges, then the silence.
std::vector<std::int16_t> SynthesizeTone(const ToneShape& shape);

// A canonical RIFF/WAVE file of 16-bit PCM samples, interleaved if channels > 1.
std::vector<std::uint8_t> EncodeWave16(std::span<const std::int16_t> samples, int channels, int rate);

bool WriteBytes(const std::string& path, std::span<const std::uint8_t> bytes);

} // namespace klavet::tools
