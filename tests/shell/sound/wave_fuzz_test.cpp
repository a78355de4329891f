// Many malformed wave files through the loading path: whatever the bytes, the
// loader returns either nothing or a sound it can play safely. Run under the
// sanitizers, any overread or overflow fails the test.

#include "test_waves.h"
#include "wave_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace klavet::testing {
namespace {

// A clip the mixer can play: one or two channels, whole frames, every sample
// finite and within full scale, no longer than the limit.
void ExpectPlayable(const std::shared_ptr<const Clip>& clip, int rate, const std::string& what) {
    if (!clip)
        return;
    ASSERT_TRUE(clip->channels == 1 || clip->channels == 2) << what;
    ASSERT_EQ(clip->samples.size() % static_cast<std::size_t>(clip->channels), 0u) << what;
    ASSERT_GT(clip->Frames(), 0u) << what;
    ASSERT_LE(clip->Frames(), static_cast<std::size_t>(kMaxClipSeconds * rate) + 1) << what;
    for (float x : clip->samples)
        ASSERT_TRUE(std::isfinite(x) && x >= -1.0f && x <= 1.0f) << what;
}

std::vector<std::vector<std::uint8_t>> Seeds() {
    std::vector<std::vector<std::uint8_t>> seeds;
    const auto tone = Sine(700, 0.01, 8000, 0.9);
    for (auto kind : {SampleKind::U8, SampleKind::S16, SampleKind::S24, SampleKind::S32, SampleKind::F32,
                      SampleKind::F64})
        for (int channels : {1, 2, 3}) {
            std::vector<double> samples;
            for (double x : tone)
                for (int c = 0; c < channels; ++c)
                    samples.push_back(x);
            seeds.push_back(WaveBytes(samples, channels, 8000, kind));
        }
    return seeds;
}

void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4 && at + i < bytes.size(); ++i)
        bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

TEST(WaveFuzzTest, TruncationsAtEveryLengthAreSafe) {
    for (const auto& seed : Seeds())
        for (std::size_t length = 0; length <= seed.size(); ++length) {
            std::vector<std::uint8_t> cut(seed.begin(), seed.begin() + static_cast<std::ptrdiff_t>(length));
            ExpectPlayable(DecodeWave(cut, 48000), 48000, "cut at " + std::to_string(length));
        }
}

TEST(WaveFuzzTest, HugeAndZeroSizesAndExtremeFormatFieldsAreSafe) {
    const std::uint32_t values[] = {0,          1,          2,          3,          7,         8,
                                    0x7FFFFFFF, 0x80000000, 0xFFFFFFF0, 0xFFFFFFFE, 0xFFFFFFFF};
    // RIFF size, format chunk size, data chunk size, and the format's fields.
    const std::size_t fields32[] = {4, 16, 24, 28, 40};
    for (const auto& seed : Seeds()) {
        for (std::size_t at : fields32)
            for (std::uint32_t v : values) {
                auto bytes = seed;
                Put32(bytes, at, v);
                ExpectPlayable(DecodeWave(bytes, 48000), 48000, "field " + std::to_string(at));
            }
        for (std::size_t at : {20, 22, 32, 34})
            for (std::uint32_t v : {0u, 1u, 2u, 3u, 8u, 16u, 24u, 32u, 64u, 0xFFFEu, 0xFFFFu}) {
                auto bytes = seed;
                bytes[at] = static_cast<std::uint8_t>(v);
                bytes[at + 1] = static_cast<std::uint8_t>(v >> 8);
                ExpectPlayable(DecodeWave(bytes, 48000), 48000, "field " + std::to_string(at));
            }
    }
}

TEST(WaveFuzzTest, RandomByteChangesAndGarbageAreSafe) {
    std::mt19937 random(20261208);
    const auto seeds = Seeds();
    for (int round = 0; round < 20000; ++round) {
        auto bytes = seeds[random() % seeds.size()];
        const int changes = 1 + static_cast<int>(random() % 8);
        for (int i = 0; i < changes; ++i)
            bytes[random() % std::min<std::size_t>(bytes.size(), 64)] = static_cast<std::uint8_t>(random());
        if (random() % 4 == 0)
            bytes.resize(random() % bytes.size());
        ExpectPlayable(DecodeWave(bytes, 48000), 48000, "round " + std::to_string(round));
    }
    for (int round = 0; round < 2000; ++round) {
        std::vector<std::uint8_t> bytes(random() % 256);
        for (auto& b : bytes)
            b = static_cast<std::uint8_t>(random());
        if (bytes.size() >= 12 && random() % 2) {
            std::copy_n("RIFF", 4, bytes.begin());
            std::copy_n("WAVE", 4, bytes.begin() + 8);
        }
        ExpectPlayable(DecodeWave(bytes, 44100), 44100, "garbage " + std::to_string(round));
    }
}

TEST(WaveFuzzTest, MalformedFilesOnDiskAreSafeToLoad) {
    TempDir dir;
    std::mt19937 random(7);
    const auto seeds = Seeds();
    for (int round = 0; round < 200; ++round) {
        auto bytes = seeds[random() % seeds.size()];
        Put32(bytes, 40, static_cast<std::uint32_t>(random()));
        bytes[20 + random() % 16] = static_cast<std::uint8_t>(random());
        bytes.resize(random() % (bytes.size() + 1));
        WriteFile(dir.Path("f.wav"), bytes);
        ExpectPlayable(LoadWaveFile(dir.Path("f.wav"), 48000), 48000, "file " + std::to_string(round));
    }
}

} // namespace
} // namespace klavet::testing
