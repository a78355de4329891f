#include "test_waves.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>

namespace klavet::testing {

namespace {

void Put(std::vector<std::uint8_t>& out, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

int BytesOf(SampleKind kind) {
    switch (kind) {
    case SampleKind::U8:
        return 1;
    case SampleKind::S16:
        return 2;
    case SampleKind::S24:
        return 3;
    case SampleKind::S32:
    case SampleKind::F32:
        return 4;
    case SampleKind::F64:
        return 8;
    }
    return 2;
}

void PutSample(std::vector<std::uint8_t>& out, double x, SampleKind kind) {
    x = std::clamp(x, -1.0, 1.0);
    switch (kind) {
    case SampleKind::U8:
        Put(out, static_cast<std::uint64_t>(std::clamp(std::lround(x * 128 + 128), 0L, 255L)), 1);
        break;
    case SampleKind::S16:
        Put(out, static_cast<std::uint64_t>(std::clamp(std::lround(x * 32768), -32768L, 32767L)), 2);
        break;
    case SampleKind::S24:
        Put(out, static_cast<std::uint64_t>(std::clamp(std::lround(x * 8388608), -8388608L, 8388607L)), 3);
        break;
    case SampleKind::S32:
        Put(out,
            static_cast<std::uint64_t>(
                std::clamp(std::llround(x * 2147483648.0), -2147483648LL, 2147483647LL)),
            4);
        break;
    case SampleKind::F32: {
        const float f = static_cast<float>(x);
        std::uint32_t u;
        std::memcpy(&u, &f, 4);
        Put(out, u, 4);
        break;
    }
    case SampleKind::F64: {
        std::uint64_t u;
        std::memcpy(&u, &x, 8);
        Put(out, u, 8);
        break;
    }
    }
}

} // namespace

std::vector<std::uint8_t> WaveBytes(const std::vector<double>& interleaved, int channels, int rate,
                                    SampleKind kind) {
    const int bytes = BytesOf(kind);
    const bool isFloat = kind == SampleKind::F32 || kind == SampleKind::F64;
    const auto dataBytes = static_cast<std::uint32_t>(interleaved.size() * bytes);
    std::vector<std::uint8_t> out;
    for (char c : std::string("RIFF"))
        out.push_back(static_cast<std::uint8_t>(c));
    Put(out, 36 + dataBytes, 4);
    for (char c : std::string("WAVEfmt "))
        out.push_back(static_cast<std::uint8_t>(c));
    Put(out, 16, 4);
    Put(out, isFloat ? 3 : 1, 2);
    Put(out, static_cast<std::uint64_t>(channels), 2);
    Put(out, static_cast<std::uint64_t>(rate), 4);
    Put(out, static_cast<std::uint64_t>(rate * channels * bytes), 4);
    Put(out, static_cast<std::uint64_t>(channels * bytes), 2);
    Put(out, static_cast<std::uint64_t>(8 * bytes), 2);
    for (char c : std::string("data"))
        out.push_back(static_cast<std::uint8_t>(c));
    Put(out, dataBytes, 4);
    for (double x : interleaved)
        PutSample(out, x, kind);
    return out;
}

std::vector<double> Sine(double frequency, double seconds, int rate, double amplitude) {
    std::vector<double> samples(static_cast<std::size_t>(std::lround(seconds * rate)));
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = amplitude * std::sin(2 * std::numbers::pi * frequency * static_cast<double>(i) / rate);
    return samples;
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "klavet-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()))
        dir_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

} // namespace klavet::testing
