// Decoding wave files into clips at the output's rate.

#include "test_waves.h"
#include "wave_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sys/stat.h>

namespace klavet::testing {
namespace {

std::shared_ptr<const Clip> Decode(const std::vector<std::uint8_t>& bytes, int rate = 48000) {
    return DecodeWave(bytes, rate);
}

int Crossings(const Clip& clip, int channel) {
    int n = 0;
    for (std::size_t i = 1; i < clip.Frames(); ++i)
        n += (clip.samples[(i - 1) * clip.channels + channel] < 0) !=
             (clip.samples[i * clip.channels + channel] < 0);
    return n;
}

TEST(WaveFileTest, EverySampleFormatDecodesToTheSameValues) {
    const std::vector<double> values = {0.0, 0.5, -0.5, 0.25, -1.0, 0.75};
    for (auto kind : {SampleKind::U8, SampleKind::S16, SampleKind::S24, SampleKind::S32, SampleKind::F32,
                      SampleKind::F64}) {
        const auto clip = Decode(WaveBytes(values, 1, 48000, kind));
        ASSERT_TRUE(clip) << static_cast<int>(kind);
        ASSERT_EQ(clip->channels, 1);
        ASSERT_EQ(clip->Frames(), values.size());
        for (std::size_t i = 0; i < values.size(); ++i)
            EXPECT_NEAR(clip->samples[i], values[i], 1.0 / 128) << static_cast<int>(kind) << " sample " << i;
    }
}

TEST(WaveFileTest, StereoKeepsItsChannelsAndWiderFilesKeepTheirFirstTwo) {
    const auto stereo = Decode(WaveBytes({0.5, -0.25, 0.1, -0.1}, 2, 48000, SampleKind::S16));
    ASSERT_TRUE(stereo);
    EXPECT_EQ(stereo->channels, 2);
    ASSERT_EQ(stereo->Frames(), 2u);
    EXPECT_NEAR(stereo->samples[0], 0.5, 1e-4);
    EXPECT_NEAR(stereo->samples[1], -0.25, 1e-4);
    const auto four =
        Decode(WaveBytes({0.5, -0.25, 0.9, 0.9, 0.1, -0.1, 0.9, 0.9}, 4, 48000, SampleKind::S16));
    ASSERT_TRUE(four);
    EXPECT_EQ(four->channels, 2);
    ASSERT_EQ(four->Frames(), 2u);
    EXPECT_NEAR(four->samples[2], 0.1, 1e-4);
    EXPECT_NEAR(four->samples[3], -0.1, 1e-4);
}

TEST(WaveFileTest, OtherRatesAreConvertedKeepingPitchAndLength) {
    for (int rate : {8000, 11025, 22050, 44100, 96000}) {
        const auto clip = Decode(WaveBytes(Sine(700, 0.5, rate, 0.5), 1, rate, SampleKind::S16));
        ASSERT_TRUE(clip) << rate;
        EXPECT_NEAR(static_cast<double>(clip->Frames()), 24000, 2) << rate;
        EXPECT_NEAR(Crossings(*clip, 0), 700, 2) << rate;
    }
}

TEST(WaveFileTest, ChunksAreFoundInAnyOrderAndOddChunksArePadded) {
    auto plain = WaveBytes({0.5, -0.5}, 1, 48000, SampleKind::S16);
    // RIFF header, then an odd-sized LIST chunk with its pad byte, then the
    // data chunk before the format chunk.
    std::vector<std::uint8_t> bytes(plain.begin(), plain.begin() + 12);
    const std::uint8_t list[] = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};
    bytes.insert(bytes.end(), std::begin(list), std::end(list));
    bytes.insert(bytes.end(), plain.begin() + 36, plain.end());
    bytes.insert(bytes.end(), plain.begin() + 12, plain.begin() + 36);
    const auto clip = Decode(bytes);
    ASSERT_TRUE(clip);
    ASSERT_EQ(clip->Frames(), 2u);
    EXPECT_NEAR(clip->samples[0], 0.5, 1e-4);
}

TEST(WaveFileTest, ExtensibleFormatIsRead) {
    auto bytes = WaveBytes({0.5, -0.5}, 1, 48000, SampleKind::S16);
    // Rewrite the format chunk as WAVE_FORMAT_EXTENSIBLE with a PCM subformat.
    std::vector<std::uint8_t> fmt(bytes.begin() + 20, bytes.begin() + 36);
    fmt[0] = 0xFE;
    fmt[1] = 0xFF;
    for (int b : {22, 0, 16, 0, 4, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71})
        fmt.push_back(static_cast<std::uint8_t>(b));
    std::vector<std::uint8_t> file(bytes.begin(), bytes.begin() + 16);
    file.insert(file.end(), {40, 0, 0, 0});
    file.insert(file.end(), fmt.begin(), fmt.end());
    file.insert(file.end(), bytes.begin() + 36, bytes.end());
    const auto clip = Decode(file);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->Frames(), 2u);
}

TEST(WaveFileTest, TruncatedDataPlaysWhatIsThereAndAHugeSizeIsNotBelieved) {
    auto bytes = WaveBytes(Sine(700, 1, 48000, 0.5), 1, 48000, SampleKind::S16);
    bytes.resize(44 + 2 * 1000 + 1);
    for (int i = 40; i < 44; ++i)
        bytes[i] = 0xFF;
    const auto clip = Decode(bytes);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->Frames(), 1000u);
}

TEST(WaveFileTest, FilesThatAreNotPlayablePcmGiveNoClip) {
    const auto good = WaveBytes({0.5, -0.5, 0.25, 0.1}, 1, 48000, SampleKind::S16);
    ASSERT_TRUE(Decode(good));
    auto patched = [&](std::size_t at, std::vector<std::uint8_t> with) {
        auto bytes = good;
        std::copy(with.begin(), with.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
        return bytes;
    };
    EXPECT_FALSE(Decode(patched(0, {'R', 'I', 'F', 'X'})));
    EXPECT_FALSE(Decode(patched(8, {'A', 'V', 'I', ' '})));
    EXPECT_FALSE(Decode(patched(20, {2, 0}))) << "ADPCM";
    EXPECT_FALSE(Decode(patched(22, {0, 0}))) << "no channel";
    EXPECT_FALSE(Decode(patched(24, {0, 0, 0, 0}))) << "rate 0";
    EXPECT_FALSE(Decode(patched(32, {3, 0}))) << "block size off";
    EXPECT_FALSE(Decode(patched(34, {12, 0}))) << "12 bits";
    EXPECT_FALSE(Decode(patched(36, {'j', 'u', 'n', 'k'}))) << "no data chunk";
    EXPECT_FALSE(Decode(patched(40, {0, 0, 0, 0}))) << "empty data";
    EXPECT_FALSE(Decode({good.begin(), good.begin() + 30})) << "cut in the format";
    EXPECT_FALSE(Decode({}));
}

TEST(WaveFileTest, LoadingReadsRegularFilesOnly) {
    TempDir dir;
    WriteFile(dir.Path("a.wav"), WaveBytes({0.5, -0.5}, 1, 48000, SampleKind::S16));
    EXPECT_TRUE(LoadWaveFile(dir.Path("a.wav"), 48000));
    EXPECT_FALSE(LoadWaveFile(dir.Path("absent.wav"), 48000));
    EXPECT_FALSE(LoadWaveFile(dir.Path(""), 48000)) << "a directory";
    ASSERT_EQ(::mkfifo(dir.Path("pipe.wav").c_str(), 0600), 0);
    EXPECT_FALSE(LoadWaveFile(dir.Path("pipe.wav"), 48000)) << "a pipe must not block";
}

} // namespace
} // namespace klavet::testing
