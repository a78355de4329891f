// The sound output heard from outside: every case plays through a real stream
// and looks at the samples that came out of it, recorded by a private sound
// server's sink or, under SDL's dummy driver, by the output's tap. The same
// cases run on each target (see sound_capture.h).

#include "capture_test.h"
#include "child_process.h"
#include "sound_output.h"
#include "test_waves.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <thread>

namespace klavet::testing {
namespace {

using MonotonicClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kRate = 48000;
constexpr double kOnGain = 30000.0 / 65535.0;
constexpr int kFull = 16384; // amplitude of the test tones, half of full scale
constexpr int kQuiet = 40;   // below this a sample counts as silence
// A 1 kHz tone at the test level bends by at most 128 a frame; a cut would
// jump by thousands.
constexpr int kClick = 200;

std::size_t Ms(double ms) {
    return static_cast<std::size_t>(ms * kRate / 1000);
}
double ToMs(std::size_t frames) {
    return 1000.0 * static_cast<double>(frames) / kRate;
}

// The samples of a channel on either side of a frame, as a failure tells a
// click: "a>b>c>d", from two frames before it to one after.
std::string Jump(const std::vector<std::int16_t>& played, int channel, std::size_t frame) {
    std::ostringstream out;
    for (std::size_t i = frame - 2; i <= frame + 1 && 2 * i + 1 < played.size(); ++i)
        out << (i + 2 == frame ? "" : ">") << played[2 * i + static_cast<std::size_t>(channel)];
    return out.str();
}

class SoundOutputTest : public CaptureTest<SoundOutputTest> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(OpenOutput());
        WriteFile(dir_.Path("tone.wav"), WaveBytes(Sine(1000, 10, kRate, 0.5), 1, kRate, SampleKind::S16));
        WriteFile(dir_.Path("short.wav"), WaveBytes(Sine(1000, 0.2, kRate, 0.5), 1, kRate, SampleKind::S16));
    }

    TempDir dir_;
};

TEST_F(SoundOutputTest, KeyedPressSoundsOnlyWhileHeldOnBothChannelsAtTheOnLevel) {
    MonotonicClock::duration held{};
    MonotonicClock::time_point released;
    const auto played = Record([&] {
        output_->SetWaveVolume(VolumeOn);
        output_->PlaySoundAsync(dir_.Path("tone.wav"));
        const auto pressed = MonotonicClock::now();
        std::this_thread::sleep_for(300ms);
        output_->SetWaveVolume(VolumeOff);
        released = MonotonicClock::now();
        held = released - pressed;
        std::this_thread::sleep_for(500ms);
    });
    const double heldMs = std::chrono::duration<double, std::milli>(held).count();
    for (int channel : {0, 1}) {
        const auto sounding = JoinedOverStalls(SoundingThroughGlitches(played, channel, kQuiet));
        ASSERT_EQ(sounding.size(), 1u) << "channel " << channel << Tones(sounding);
        if (GlitchWithin(sounding[0].begin, sounding[0].end))
            continue;
        // Press and release each reach the device within a buffer or so;
        // the ramps add a few ms.
        ExpectLastsAsHeld(sounding[0], heldMs, released);
        const int expected = static_cast<int>(std::lround(kFull * kOnGain));
        EXPECT_NEAR(Peak(played, channel, sounding[0].begin + Ms(20), sounding[0].end - Ms(20)), expected, 2);
        // Silent once the release's ramp is over, though the tone runs on unheard.
        EXPECT_EQ(Peak(played, channel, sounding[0].end + Ms(5), played.size() / 2), 0);
    }
}

TEST_F(SoundOutputTest, ReleaseFallsToSilenceWithinTheRampWithoutAClick) {
    const auto played = Record([&] {
        output_->SetWaveVolume(VolumeOn);
        output_->PlaySoundAsync(dir_.Path("tone.wav"));
        std::this_thread::sleep_for(200ms);
        output_->SetWaveVolume(VolumeOff);
        std::this_thread::sleep_for(200ms);
    });
    const auto sounding = Sounding(played, 0, 0);
    ASSERT_FALSE(sounding.empty());
    const std::size_t end = sounding.back().end;
    // The last frame at full level, within a period of the 1 kHz tone.
    const int full = static_cast<int>(std::lround(kFull * kOnGain));
    std::size_t lastFull = 0;
    for (std::size_t i = 0; i < end; ++i)
        if (std::abs(played[2 * i]) >= full - 2)
            lastFull = i;
    EXPECT_LE(ToMs(end - lastFull), 5.0 + 1.0 + 0.5);
    EXPECT_GE(ToMs(end - lastFull), 4.0);
    for (int channel : {0, 1})
        EXPECT_EQ(ClicksBeyondGlitches(played, channel, kClick), std::vector<std::size_t>{})
            << "channel " << channel;
}

TEST_F(SoundOutputTest, VolumeWordSetsLeftFromTheLowWordAndRightFromTheHighWord) {
    const auto played = Record([&] {
        output_->SetWaveVolume(0xFFFF0000u);
        output_->PlaySoundSync(dir_.Path("short.wav"));
        output_->SetWaveVolume(0x0000FFFFu);
        output_->PlaySoundSync(dir_.Path("short.wav"));
    });
    const auto right = SoundingThroughGlitches(played, 1, kQuiet);
    const auto left = SoundingThroughGlitches(played, 0, kQuiet);
    ASSERT_EQ(right.size(), 1u);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_LT(right[0].end, left[0].begin + Ms(6)) << "right first, then left";
    EXPECT_NEAR(Peak(played, 1, right[0].begin + Ms(20), right[0].end - Ms(20)), kFull, 1);
    EXPECT_NEAR(Peak(played, 0, left[0].begin + Ms(20), left[0].end - Ms(20)), kFull, 1);
    EXPECT_EQ(Peak(played, 0, 0, right[0].end - Ms(6)), 0);
    EXPECT_EQ(Peak(played, 1, left[0].begin + Ms(6), played.size() / 2), 0);
}

TEST_F(SoundOutputTest, KPatternIsLongShortLongWithTheFilesOwnSpacing) {
    const std::string da = output_->SoundFilePath(kDashFile);
    const std::string di = output_->SoundFilePath(kDotFile);
    std::vector<double> callMs;
    std::vector<int> leads;
    const auto played = Record([&] {
        callMs.clear();
        leads.clear();
        output_->SetWaveVolume(VolumeOn);
        for (const auto& path : {da, di, da}) {
            const auto start = MonotonicClock::now();
            const std::size_t handed = capture_->Frames();
            output_->PlaySoundSync(path);
            // The dummy driver's clock runs fast: there, count what it took.
            const double ms =
                std::chrono::duration<double, std::milli>(MonotonicClock::now() - start).count();
            callMs.push_back(capture_->Server() ? ms : ToMs(capture_->Frames() - handed));
            leads.push_back(output_->LeadFrames());
        }
    });
    const auto sounding = JoinedOverStalls(SoundingThroughGlitches(played, 0, kQuiet), Ms(100));
    ASSERT_EQ(sounding.size(), 3u) << Tones(sounding);
    // The generated files: dashes of 300 ms, a dot of 100 ms, each followed by
    // 100 ms of silence; their 5 ms edges fall partly below the threshold. A
    // tone or gap the server glitched over is not timed.
    const double tones[] = {300, 100, 300};
    for (std::size_t i = 0; i < 3; ++i)
        if (!GlitchWithin(sounding[i].begin, sounding[i].end)) {
            EXPECT_NEAR(ToMs(sounding[i].Length()), tones[i] - 0.5, 1.5) << "element " << i;
        }
    for (std::size_t i = 0; i < 2; ++i) {
        if (GlitchWithin(sounding[i].end, sounding[i + 1].begin))
            continue;
        const double gap = ToMs(sounding[i + 1].begin - sounding[i].end);
        EXPECT_GE(gap, 100.0 - 1.0) << "gap " << i;
        EXPECT_LE(gap, 100.0 + 1.0) << "gap " << i;
    }
    EXPECT_EQ(JoinedOverStalls(SoundingThroughGlitches(played, 1, kQuiet), Ms(100)).size(), 3u);
    // Each call lasts its file, but for the lead the next is handed over by.
    // The device takes sounds a block at a time, and the block a sound starts
    // in may be taken at once or a whole block after the call.
    // A machine that stalled of late has the output keep a longer lead.
    const double files[] = {400, 200, 400};
    const double block = ToMs(output_->BufferFrames());
    const bool steady = SteadyUntil(MonotonicClock::now());
    for (int i = 0; i < 3; ++i) {
        if (steady) {
            EXPECT_LE(ToMs(leads[i]), std::max(2 * block, 60.0)) << "call " << i;
        }
        EXPECT_GE(callMs[i], files[i] - ToMs(leads[i]) - block - 6.0) << "call " << i;
    }
}

TEST_F(SoundOutputTest, NewSoundEndsTheRunningOneAndStartsFromItsBeginning) {
    // A tone growing louder over its length tells how far into it we are.
    std::vector<double> growing = Sine(1000, 4, kRate, 0.5);
    for (std::size_t i = 0; i < growing.size(); ++i)
        growing[i] *= static_cast<double>(i) / static_cast<double>(growing.size());
    WriteFile(dir_.Path("growing.wav"), WaveBytes(growing, 1, kRate, SampleKind::S16));
    const auto played = Record([&] {
        for (int press = 0; press < 2; ++press) {
            output_->SetWaveVolume(VolumeOn);
            output_->PlaySoundAsync(dir_.Path("growing.wav"));
            std::this_thread::sleep_for(press == 0 ? 1000ms : 300ms);
            output_->SetWaveVolume(VolumeOff);
            std::this_thread::sleep_for(400ms); // a release aimed late after a stall leaves a gap
        }
    });
    const auto sounding = SoundingThroughGlitches(played, 0, 0, Ms(5));
    ASSERT_EQ(sounding.size(), 2u) << Tones(sounding);
    // 200 ms into the file the tone is at a twentieth of its final level; had
    // the first press's tone run on, it would be past a quarter.
    const std::size_t at = sounding[1].begin + Ms(200);
    const int level = Peak(played, 0, at - Ms(2), at + Ms(2));
    EXPECT_NEAR(level, kFull * kOnGain * 0.2 / 4, 40);
}

TEST_F(SoundOutputTest, PlayRightAfterAReleaseCutsTheSilencedToneAndIsHeard) {
    const auto played = Record([&] {
        output_->SetWaveVolume(VolumeOn);
        output_->PlaySoundAsync(dir_.Path("tone.wav"));
        std::this_thread::sleep_for(100ms);
        output_->SetWaveVolume(VolumeOff);
        output_->SetWaveVolume(VolumeOn);
        output_->PlaySoundSync(dir_.Path("short.wav"));
    });
    const auto sounding = Sounding(played, 0, kQuiet, Ms(5));
    ASSERT_GE(sounding.size(), 1u);
    // The press and the element run together; the key tone does not go on
    // after the element's 200 ms. The press is heard up to a buffer longer
    // than it was held (changes take effect at a buffer's start), and the
    // sleep may overrun.
    const auto whole = SoundingThroughGlitches(played, 0, 0, Ms(20));
    ASSERT_EQ(whole.size(), 1u) << Tones(whole);
    if (!GlitchWithin(whole[0].begin, whole[0].end)) {
        EXPECT_LT(ToMs(whole[0].Length()), 100 + 200 + ToMs(output_->BufferFrames()) + 15);
    }
}

TEST_F(SoundOutputTest, VolumeBelongsToTheStreamAndStaysAsLastSet) {
    const auto played = Record([&] {
        output_->SetWaveVolume(VolumeOn);
        output_->PlaySoundSync(dir_.Path("short.wav"));
        output_->PlaySoundSync(dir_.Path("short.wav"));
        // A synchronous call returns as its last buffers go out; let them.
        std::this_thread::sleep_for(100ms);
        output_->SetWaveVolume(VolumeOff);
        output_->PlaySoundSync(dir_.Path("short.wav"));
    });
    // Joined without a gap: the second does not rise from silence.
    const auto sounding = SoundingThroughGlitches(played, 0, kQuiet);
    ASSERT_EQ(sounding.size(), 1u) << "the two heard sounds join, the third is silent" << Tones(sounding);
    if (!GlitchWithin(sounding[0].begin, sounding[0].end)) {
        EXPECT_NEAR(ToMs(sounding[0].Length()), 400, 12);
    }
}

TEST_F(SoundOutputTest, MissingOrUnreadableKeyToneGivesTheDefaultSound) {
    WriteFile(dir_.Path("garbage.wav"), std::vector<std::uint8_t>(5000, 0x5A));
    for (const std::string& path : {dir_.Path("absent.wav"), dir_.Path("garbage.wav")}) {
        const auto played = Record([&] {
            output_->SetWaveVolume(VolumeOn);
            output_->PlaySoundAsync(path);
            std::this_thread::sleep_for(700ms);
            output_->SetWaveVolume(VolumeOff);
        });
        const auto sounding = SoundingThroughGlitches(played, 0, kQuiet, Ms(20));
        ASSERT_EQ(sounding.size(), 1u) << path << Tones(sounding);
        EXPECT_GT(Peak(played, 0, 0, played.size() / 2), 2000) << path;
        EXPECT_EQ(SoundingThroughGlitches(played, 1, kQuiet, Ms(20)).size(), 1u) << path;
        // A short sound of its own, over long before the key was let go.
        EXPECT_LT(ToMs(sounding[0].Length()), 250) << path;
        EXPECT_GT(ToMs(sounding[0].Length()), 50) << path;
    }
}

TEST_F(SoundOutputTest, MissingOrCorruptElementIsSilentAndReturnsAtOnce) {
    // A header announcing ten seconds with the data cut off after its start.
    auto corrupt = WaveBytes(Sine(700, 10, kRate, 0.5), 1, kRate, SampleKind::S16);
    corrupt.resize(44 + 2);
    WriteFile(dir_.Path("di.wav"), corrupt);
    WriteFile(dir_.Path("da.wav"), {'R', 'I', 'F', 'F', 0xFF, 0xFF, 0xFF, 0xFF, 'W', 'A', 'V', 'E'});
    const std::string paths[] = {dir_.Path("di.wav"), dir_.Path("da.wav"), dir_.Path("absent.wav")};
    for (const auto& path : paths) {
        MonotonicClock::duration took{};
        const auto played = Record([&] {
            output_->SetWaveVolume(VolumeOn);
            const auto start = MonotonicClock::now();
            output_->PlaySoundSync(path);
            took = MonotonicClock::now() - start;
        });
        EXPECT_LT(took, 100ms) << path;
        EXPECT_EQ(Peak(played, 0, 0, played.size() / 2), 0) << path;
        EXPECT_EQ(Peak(played, 1, 0, played.size() / 2), 0) << path;
    }
}

TEST_F(SoundOutputTest, FileChangedOnDiskIsReadAgain) {
    const std::string path = dir_.Path("changing.wav");
    WriteFile(path, WaveBytes(Sine(1000, 0.2, kRate, 0.25), 1, kRate, SampleKind::S16));
    const auto first = Record([&] {
        output_->SetWaveVolume(0xFFFFFFFFu);
        output_->PlaySoundSync(path);
    });
    // Same size, new content.
    std::this_thread::sleep_for(20ms);
    WriteFile(path, WaveBytes(Sine(1000, 0.2, kRate, 0.5), 1, kRate, SampleKind::S16));
    const auto second = Record([&] { output_->PlaySoundSync(path); });
    EXPECT_NEAR(Peak(first, 0, 0, first.size() / 2), kFull / 2, 1);
    EXPECT_NEAR(Peak(second, 0, 0, second.size() / 2), kFull, 1);
}

TEST_F(SoundOutputTest, UserFilesOfOtherFormatsPlayAtTheirOwnPitchAndLength) {
    struct Case {
        const char* name;
        int channels;
        int rate;
        SampleKind kind;
    } cases[] = {{"u8-11025-mono.wav", 1, 11025, SampleKind::U8},
                 {"s16-44100-stereo.wav", 2, 44100, SampleKind::S16},
                 {"s16-22050-mono.wav", 1, 22050, SampleKind::S16},
                 {"f32-96000-stereo.wav", 2, 96000, SampleKind::F32}};
    for (const auto& c : cases) {
        const auto mono = Sine(600, 0.3, c.rate, 0.5);
        std::vector<double> samples;
        for (double x : mono)
            for (int ch = 0; ch < c.channels; ++ch)
                samples.push_back(x);
        WriteFile(dir_.Path(c.name), WaveBytes(samples, c.channels, c.rate, c.kind));
        const auto played = Record([&] {
            output_->SetWaveVolume(0xFFFFFFFFu);
            output_->PlaySoundSync(dir_.Path(c.name));
        });
        const auto sounding = SoundingThroughGlitches(played, 0, 1000);
        ASSERT_EQ(sounding.size(), 1u) << c.name << Tones(sounding);
        if (GlitchWithin(sounding[0].begin, sounding[0].end))
            continue;
        EXPECT_NEAR(ToMs(sounding[0].Length()), 300, 2.0) << c.name;
        int crossings = 0;
        for (std::size_t i = sounding[0].begin + 1; i < sounding[0].end; ++i)
            crossings += (played[2 * i - 2] < 0) != (played[2 * i] < 0);
        EXPECT_NEAR(crossings, 2 * 600 * 0.3, 4) << c.name;
        EXPECT_NEAR(Peak(played, 1, sounding[0].begin, sounding[0].end), kFull, kFull / 50) << c.name;
    }
}

TEST_F(SoundOutputTest, FirstPressAfterALongIdleIsHeardInFull) {
    // After five seconds of quiet, long enough for the stream to settle into
    // its idle state.
    const auto played = Record(
        [&] {
            output_->SetWaveVolume(VolumeOn);
            output_->PlaySoundAsync(output_->SoundFilePath(kDotFile));
            std::this_thread::sleep_for(250ms);
            output_->SetWaveVolume(VolumeOff);
        },
        5s);
    const auto sounding = SoundingThroughGlitches(played, 0, kQuiet);
    ASSERT_EQ(sounding.size(), 1u) << Tones(sounding);
    if (!GlitchWithin(sounding[0].begin, sounding[0].end)) {
        EXPECT_NEAR(ToMs(sounding[0].Length()), 100 - 0.5, 1.5);
    }
}

TEST_F(SoundOutputTest, HeldToneOfTenSecondsHasNoGap) {
    MonotonicClock::duration held{};
    MonotonicClock::time_point released;
    const auto played = Record(
        [&] {
            output_->SetWaveVolume(VolumeOn);
            output_->PlaySoundAsync(output_->SoundFilePath(kKeyToneFile));
            const auto pressed = MonotonicClock::now();
            std::this_thread::sleep_for(10s);
            output_->SetWaveVolume(VolumeOff);
            released = MonotonicClock::now();
            held = released - pressed;
        },
        100ms, 3);
    for (int channel : {0, 1}) {
        const auto sounding = JoinedOverStalls(SoundingThroughGlitches(played, channel, kQuiet));
        ASSERT_EQ(sounding.size(), 1u) << "channel " << channel << Tones(sounding);
        const double heldMs = std::chrono::duration<double, std::milli>(held).count();
        // A glitch of the server or the machine within may have cost the
        // recording frames that the server never played.
        if (capture_->Server() && !GlitchWithin(sounding[0].begin, sounding[0].end))
            ExpectLastsAsHeld(sounding[0], heldMs, released);
        EXPECT_EQ(ClicksBeyondGlitches(played, channel, kClick), std::vector<std::size_t>{})
            << "channel " << channel;
    }
}

// Presses of 60 ms, 60 ms apart, while another process keeps a core busy:
// every press is one tone on each channel, whole, without a click. (How long
// each is heard depends on when a busy machine runs the threads; the held
// tones above measure that on a quiet one.)
// With another core kept busy, a hundred presses of 60 ms, 60 ms apart,
// are heard whole and without a click. Where the server or the machine
// glitched, or this case's own thread overslept, a press may be heard split
// or joined to the next: the count may then be off by as many presses as
// were so disturbed, and nothing more.
TEST_F(SoundOutputTest, QuickPressesUnderLoadHaveNoDropoutAndNoClick) {
    pid_t busy = Spawn({"sh", "-c", "while :; do :; done"}, EnvironmentWith({}), "/dev/null");
    ASSERT_GT(busy, 0);
    constexpr int kPresses = 100;
    int overslept = 0;
    const auto sleepFor = [&overslept](MonotonicClock::duration asked) {
        const auto from = MonotonicClock::now();
        std::this_thread::sleep_for(asked);
        overslept += MonotonicClock::now() - from > asked + 15ms;
    };
    const auto played = Record(
        [&] {
            overslept = 0;
            for (int i = 0; i < kPresses; ++i) {
                output_->SetWaveVolume(VolumeOn);
                output_->PlaySoundAsync(output_->SoundFilePath(kKeyToneFile));
                sleepFor(60ms);
                output_->SetWaveVolume(VolumeOff);
                sleepFor(60ms);
            }
        },
        100ms, 4);
    KillChild(busy);
    for (int channel : {0, 1}) {
        const auto sounding = SoundingThroughGlitches(played, channel, kQuiet);
        int disturbed = overslept;
        for (const Segment& tone : sounding)
            disturbed += GlitchWithin(tone.begin - std::min(tone.begin, Ms(60)), tone.end + Ms(60));
        const int heard = static_cast<int>(sounding.size());
        EXPECT_LE(std::abs(heard - kPresses), disturbed)
            << "channel " << channel << ", this case's thread overslept " << overslept << " times"
            << Tones(sounding);
        const auto clicks = ClicksBeyondGlitches(played, channel, kClick);
        for (const Segment& tone : sounding) {
            std::ostringstream inTone;
            for (std::size_t f : clicks)
                if (f >= tone.begin && f < tone.end + 8)
                    inTone << ' ' << Jump(played, channel, f) << " at " << ToMs(f - tone.begin) << " ms";
            EXPECT_EQ(inTone.str(), "") << "clicks of the tone at " << ToMs(tone.begin) << " ms, "
                                        << ToMs(tone.Length()) << " ms long, channel " << channel;
            const bool whole = ToMs(tone.Length()) > 30.0 || GlitchAt(tone.begin) || GlitchAt(tone.end);
            EXPECT_TRUE(whole) << "the tone at " << ToMs(tone.begin) << " ms is heard for "
                               << ToMs(tone.Length()) << " ms only, channel " << channel;
        }
    }
}

TEST_F(SoundOutputTest, SoundFilesLieBesideTheExecutable) {
    const auto dir = std::filesystem::canonical("/proc/self/exe").parent_path().string();
    for (auto name : {kDotFile, kDashFile, kKeyToneFile}) {
        const std::string path = output_->SoundFilePath(name);
        EXPECT_EQ(path, dir + std::string(name));
        EXPECT_TRUE(std::filesystem::is_regular_file(path)) << path;
    }
}

} // namespace
} // namespace klavet::testing
