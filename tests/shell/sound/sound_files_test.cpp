// The three sound files the build puts beside the executable: their rhythm,
// their pitch and their edges.

#include "wave_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace klavet {
namespace {

constexpr int kRate = 48000;

std::shared_ptr<const Clip> Load(const char* name) {
    const auto dir = std::filesystem::canonical("/proc/self/exe").parent_path();
    return LoadWaveFile((dir / name).string(), kRate);
}

struct Shape {
    std::size_t toneEnd = 0; // frame after the last sounding one
    std::size_t frames = 0;
    float peak = 0;
    double pitch = 0;
    std::size_t longestQuietInTone = 0;
};

Shape Measure(const Clip& clip) {
    Shape s;
    s.frames = clip.Frames();
    std::size_t crossings = 0;
    std::size_t quiet = 0;
    for (std::size_t i = 0; i < s.frames; ++i) {
        const float x = clip.samples[i * clip.channels];
        s.peak = std::max(s.peak, std::abs(x));
        if (std::abs(x) > 1e-4f) {
            if (s.toneEnd > 0)
                s.longestQuietInTone = std::max(s.longestQuietInTone, quiet);
            quiet = 0;
            s.toneEnd = i + 1;
        } else {
            ++quiet;
        }
        if (i > 0 && (clip.samples[(i - 1) * clip.channels] < 0) != (x < 0))
            ++crossings;
    }
    s.pitch = crossings / 2.0 / (static_cast<double>(s.toneEnd) / kRate);
    return s;
}

// The raised-cosine rise: nearly silent at its start, half way at 2.5 ms,
// full from 5 ms on.
void ExpectSoftStart(const Clip& clip, float peak, const char* name) {
    auto envelope = [&](std::size_t from, std::size_t to) {
        float m = 0;
        for (std::size_t i = from; i < to; ++i)
            m = std::max(m, std::abs(clip.samples[i * clip.channels]));
        return m / peak;
    };
    EXPECT_LT(envelope(0, 24), 0.03) << name;
    EXPECT_NEAR(envelope(100, 140), 0.5, 0.12) << name;
    EXPECT_GT(envelope(240, 400), 0.99) << name;
}

TEST(SoundFilesTest, DotAndDashHaveTheRhythmOfTwelveWordsAMinute) {
    const auto di = Load("di.wav");
    const auto da = Load("da.wav");
    ASSERT_TRUE(di);
    ASSERT_TRUE(da);
    const Shape dot = Measure(*di);
    const Shape dash = Measure(*da);
    // A dot of 100 ms then as much silence; a dash three dots long, then the
    // same silence.
    EXPECT_NEAR(dot.toneEnd, 0.100 * kRate, 48);
    EXPECT_NEAR(dot.frames, 0.200 * kRate, 48);
    EXPECT_NEAR(dash.toneEnd, 0.300 * kRate, 48);
    EXPECT_NEAR(dash.frames, 0.400 * kRate, 48);
    // No gap inside a tone beyond a zero crossing.
    EXPECT_LE(dot.longestQuietInTone, 2u);
    EXPECT_LE(dash.longestQuietInTone, 2u);
    ExpectSoftStart(*di, dot.peak, "di.wav");
    ExpectSoftStart(*da, dash.peak, "da.wav");
    // The soft end: the last 0.5 ms of the tone is nearly silent.
    float tail = 0;
    for (std::size_t i = dot.toneEnd - 24; i < dot.toneEnd; ++i)
        tail = std::max(tail, std::abs(di->samples[i]));
    EXPECT_LT(tail / dot.peak, 0.03);
}

TEST(SoundFilesTest, KeyToneIsOneLongEvenToneAtTheSamePitch) {
    const auto tok = Load("tok.wav");
    const auto di = Load("di.wav");
    ASSERT_TRUE(tok);
    ASSERT_TRUE(di);
    const Shape key = Measure(*tok);
    const Shape dot = Measure(*di);
    EXPECT_GE(key.toneEnd, 30u * kRate);
    EXPECT_LE(key.longestQuietInTone, 2u);
    EXPECT_GE(key.pitch, 600);
    EXPECT_LE(key.pitch, 800);
    EXPECT_NEAR(dot.pitch, key.pitch, 10);
    EXPECT_NEAR(dot.peak, key.peak, 1e-3);
    ExpectSoftStart(*tok, key.peak, "tok.wav");
    // Even: every 10 ms stretch after the rise reaches the same level.
    for (std::size_t at = 480; at + 480 < key.toneEnd - 480; at += 48000) {
        float m = 0;
        for (std::size_t i = at; i < at + 480; ++i)
            m = std::max(m, std::abs(tok->samples[i]));
        ASSERT_NEAR(m, key.peak, 1e-3) << at;
    }
}

} // namespace
} // namespace klavet
