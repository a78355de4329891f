#include "wave_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace klavet {

namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
constexpr std::size_t kMaxFileBytes = 64u << 20;

struct Format {
    std::uint16_t tag = 0;
    int channels = 0;
    int rate = 0;
    int bits = 0;
    int blockAlign = 0;
};

std::uint16_t ReadU16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t ReadU32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

bool IsTag(std::span<const std::uint8_t> b, std::size_t at, const char* tag) {
    return std::memcmp(b.data() + at, tag, 4) == 0;
}

std::optional<Format> ParseFormat(std::span<const std::uint8_t> body) {
    if (body.size() < 16)
        return std::nullopt;
    Format f;
    f.tag = ReadU16(body, 0);
    f.channels = ReadU16(body, 2);
    f.rate = static_cast<int>(std::min<std::uint32_t>(ReadU32(body, 4), 1u << 30));
    f.blockAlign = ReadU16(body, 12);
    f.bits = ReadU16(body, 14);
    if (f.tag == kFormatExtensible) {
        if (body.size() < 26)
            return std::nullopt;
        f.tag = ReadU16(body, 24);
    }
    const bool pcm = f.tag == kFormatPcm && (f.bits == 8 || f.bits == 16 || f.bits == 24 || f.bits == 32);
    const bool fp = f.tag == kFormatFloat && (f.bits == 32 || f.bits == 64);
    if (!pcm && !fp)
        return std::nullopt;
    if (f.channels < 1 || f.channels > 32 || f.rate < 1000 || f.rate > 384000)
        return std::nullopt;
    if (f.blockAlign != f.channels * (f.bits / 8))
        return std::nullopt;
    return f;
}

float DecodeSample(const std::uint8_t* p, const Format& f) {
    switch (f.bits) {
    case 8:
        return (static_cast<int>(p[0]) - 128) / 128.0f;
    case 16:
        return static_cast<std::int16_t>(p[0] | (p[1] << 8)) / 32768.0f;
    case 24: {
        std::int32_t v = p[0] | (p[1] << 8) | (p[2] << 16);
        if (v & 0x800000)
            v -= 0x1000000;
        return static_cast<float>(v / 8388608.0);
    }
    case 32: {
        std::uint32_t u;
        std::memcpy(&u, p, 4);
        if (f.tag == kFormatPcm)
            return static_cast<float>(static_cast<std::int32_t>(u) / 2147483648.0);
        float x;
        std::memcpy(&x, &u, 4);
        return std::isfinite(x) ? std::clamp(x, -1.0f, 1.0f) : 0.0f;
    }
    default: {
        double x;
        std::memcpy(&x, p, 8);
        return std::isfinite(x) ? static_cast<float>(std::clamp(x, -1.0, 1.0)) : 0.0f;
    }
    }
}

// Linear interpolation from f.rate to rate, over `frames` source frames.
std::shared_ptr<Clip> Convert(std::span<const std::uint8_t> data, const Format& f, std::size_t frames,
                              int rate) {
    auto clip = std::make_shared<Clip>();
    clip->channels = std::min(f.channels, 2);
    const auto src = static_cast<std::uint64_t>(f.rate);
    const auto dst = static_cast<std::uint64_t>(rate);
    const std::uint64_t outFrames = std::min<std::uint64_t>(
        std::max<std::uint64_t>(1, frames * dst / src), static_cast<std::uint64_t>(kMaxClipSeconds * rate));
    clip->samples.resize(outFrames * static_cast<std::uint64_t>(clip->channels));
    const std::size_t bytesPerSample = static_cast<std::size_t>(f.bits / 8);
    auto sampleAt = [&](std::uint64_t frame, int channel) {
        frame = std::min<std::uint64_t>(frame, frames - 1);
        return DecodeSample(data.data() + frame * f.blockAlign + channel * bytesPerSample, f);
    };
    for (std::uint64_t i = 0; i < outFrames; ++i) {
        const std::uint64_t scaled = i * src;
        const std::uint64_t index = scaled / dst;
        const float frac = static_cast<float>(scaled % dst) / static_cast<float>(dst);
        for (int c = 0; c < clip->channels; ++c) {
            const float a = sampleAt(index, c);
            const float b = frac > 0.0f ? sampleAt(index + 1, c) : a;
            clip->samples[i * clip->channels + c] = a + (b - a) * frac;
        }
    }
    return clip;
}

} // namespace

std::shared_ptr<const Clip> DecodeWave(std::span<const std::uint8_t> bytes, int rate) {
    if (rate <= 0 || bytes.size() < 12 || !IsTag(bytes, 0, "RIFF") || !IsTag(bytes, 8, "WAVE"))
        return nullptr;
    std::optional<Format> format;
    std::span<const std::uint8_t> data;
    bool haveData = false;
    std::uint64_t at = 12;
    while (at + 8 <= bytes.size()) {
        const std::uint64_t size = ReadU32(bytes, at + 4);
        const std::uint64_t begin = at + 8;
        const std::uint64_t end = std::min<std::uint64_t>(begin + size, bytes.size());
        const auto body = bytes.subspan(begin, end - begin);
        if (IsTag(bytes, at, "fmt ") && !format)
            format = ParseFormat(body);
        else if (IsTag(bytes, at, "data") && !haveData) {
            data = body;
            haveData = true;
        }
        at = begin + size + (size & 1);
    }
    if (!format || !haveData)
        return nullptr;
    const std::size_t frames = data.size() / static_cast<std::size_t>(format->blockAlign);
    if (frames == 0)
        return nullptr;
    const auto maxSourceFrames = static_cast<std::size_t>(kMaxClipSeconds * format->rate) + 1;
    return Convert(data, *format, std::min(frames, maxSourceFrames), rate);
}

std::shared_ptr<const Clip> LoadWaveFile(const std::string& path, int rate) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return nullptr;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t block[65536];
    while (bytes.size() < kMaxFileBytes) {
        const ssize_t got = ::read(fd, block, sizeof block);
        if (got <= 0)
            break;
        bytes.insert(bytes.end(), block, block + got);
    }
    ::close(fd);
    return DecodeWave(bytes, rate);
}

} // namespace klavet
