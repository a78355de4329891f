#include "wave_tone.h"

#include <cmath>
#include <cstdio>
#include <numbers>

namespace klavet::tools {

namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void PutTag(std::vector<std::uint8_t>& out, const char* tag) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(tag[i]));
}

} // namespace

std::vector<std::int16_t> SynthesizeTone(const ToneShape& shape) {
    const auto toneFrames = static_cast<std::size_t>(std::lround(shape.toneSeconds * shape.rate));
    const auto silenceFrames = static_cast<std::size_t>(std::lround(shape.silenceSeconds * shape.rate));
    const auto edgeFrames = static_cast<std::size_t>(std::lround(shape.edgeSeconds * shape.rate));
    std::vector<std::int16_t> samples(toneFrames + silenceFrames, 0);
    for (std::size_t i = 0; i < toneFrames; ++i) {
        const std::size_t fromEdge = std::min(i, toneFrames - 1 - i);
        double gain = 1.0;
        if (fromEdge < edgeFrames)
            gain = 0.5 * (1.0 - std::cos(std::numbers::pi * static_cast<double>(fromEdge) / edgeFrames));
        const double phase = 2.0 * std::numbers::pi * shape.frequency * static_cast<double>(i) / shape.rate;
        samples[i] =
            static_cast<std::int16_t>(std::lround(32767.0 * shape.amplitude * gain * std::sin(phase)));
    }
    return samples;
}

std::vector<std::uint8_t> EncodeWave16(std::span<const std::int16_t> samples, int channels, int rate) {
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::vector<std::uint8_t> out;
    out.reserve(44 + dataBytes);
    PutTag(out, "RIFF");
    Put32(out, 36 + dataBytes);
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    Put32(out, 16);
    Put16(out, 1);
    Put16(out, static_cast<std::uint32_t>(channels));
    Put32(out, static_cast<std::uint32_t>(rate));
    Put32(out, static_cast<std::uint32_t>(rate * channels * 2));
    Put16(out, static_cast<std::uint32_t>(channels * 2));
    Put16(out, 16);
    PutTag(out, "data");
    Put32(out, dataBytes);
    for (std::int16_t s : samples)
        Put16(out, static_cast<std::uint16_t>(s));
    return out;
}

bool WriteBytes(const std::string& path, std::span<const std::uint8_t> bytes) {
    const std::string partial = path + ".part";
    std::FILE* file = std::fopen(partial.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    return written && closed && std::rename(partial.c_str(), path.c_str()) == 0;
}

} // namespace klavet::tools
