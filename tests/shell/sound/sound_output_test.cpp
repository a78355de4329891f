// The sound output as a key plays it: a press sounds while held, on both
// channels, falls silent without a click, and keeps up with quick keying.

#include "sound_output_test.h"
#include "child_process.h"
#include "sound_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <sstream>
#include <thread>

namespace klavet::testing {
namespace {

using MonotonicClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A 1 kHz tone at the test level bends by at most 128 a frame; a cut would
// jump by thousands.
constexpr int kClick = 200;

// The samples of a channel on either side of a frame, as a failure tells a
// click: "a>b>c>d", from two frames before it to one after.
std::string Jump(const std::vector<std::int16_t>& played, int channel, std::size_t frame) {
    std::ostringstream out;
    for (std::size_t i = frame - 2; i <= frame + 1 && 2 * i + 1 < played.size(); ++i)
        out << (i + 2 == frame ? "" : ">") << played[2 * i + static_cast<std::size_t>(channel)];
    return out.str();
}

TEST_F(SoundOutputTest, KeyedPressSoundsOnlyWhileHeldOnBothChannelsAtTheOnLevel) {
    HeldKey key;
    RecordAndJudge(
        [&] {
            key = PressFor(dir_.Path("tone.wav"), 300ms);
            std::this_thread::sleep_for(400ms);
        },
        [&](const Samples& played) {
            for (int channel : {0, 1}) {
                const auto sounding = JoinedOverStalls(SoundingThroughGlitches(played, channel, kQuiet));
                ASSERT_EQ(sounding.size(), 1u) << "channel " << channel << Tones(sounding);
                if (GlitchWithin(sounding[0].begin, sounding[0].end))
                    continue;
                // Press and release each reach the device within a buffer or so;
                // the ramps add a few ms.
                ExpectLastsAsHeld(sounding[0], key);
                const int expected = static_cast<int>(std::lround(kFull * kOnGain));
                EXPECT_NEAR(Peak(played, channel, sounding[0].begin + Ms(20), sounding[0].end - Ms(20)),
                            expected, 2);
                // Silent once the release's ramp is over, though the tone runs on unheard.
                EXPECT_EQ(Peak(played, channel, sounding[0].end + Ms(5), played.size() / 2), 0);
            }
        });
}

TEST_F(SoundOutputTest, ReleaseFallsToSilenceWithinTheRampWithoutAClick) {
    RecordAndJudge(
        [&] {
            output_->SetWaveVolume(VolumeOn);
            output_->PlaySoundAsync(dir_.Path("tone.wav"));
            std::this_thread::sleep_for(200ms);
            output_->SetWaveVolume(VolumeOff);
            std::this_thread::sleep_for(200ms);
        },
        [&](const Samples& played) {
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
        });
}

TEST_F(SoundOutputTest, NewSoundEndsTheRunningOneAndStartsFromItsBeginning) {
    // A tone growing louder over its length tells how far into it we are.
    std::vector<double> growing = Sine(1000, 4, kRate, 0.5);
    for (std::size_t i = 0; i < growing.size(); ++i)
        growing[i] *= static_cast<double>(i) / static_cast<double>(growing.size());
    WriteFile(dir_.Path("growing.wav"), WaveBytes(growing, 1, kRate, SampleKind::S16));
    RecordAndJudge(
        [&] {
            for (int press = 0; press < 2; ++press) {
                output_->SetWaveVolume(VolumeOn);
                output_->PlaySoundAsync(dir_.Path("growing.wav"));
                std::this_thread::sleep_for(press == 0 ? 1000ms : 300ms);
                output_->SetWaveVolume(VolumeOff);
                std::this_thread::sleep_for(400ms); // a release aimed late after a stall leaves a gap
            }
        },
        [&](const Samples& played) {
            const auto sounding = SoundingThroughGlitches(played, 0, 0, Ms(5));
            ASSERT_EQ(sounding.size(), 2u) << Tones(sounding);
            // 200 ms into the file the tone is at a twentieth of its final level; had
            // the first press's tone run on, it would be past a quarter.
            const std::size_t at = sounding[1].begin + Ms(200);
            const int level = Peak(played, 0, at - Ms(2), at + Ms(2));
            EXPECT_NEAR(level, kFull * kOnGain * 0.2 / 4, 40);
        });
}

TEST_F(SoundOutputTest, PlayRightAfterAReleaseCutsTheSilencedToneAndIsHeard) {
    RecordAndJudge(
        [&] {
            output_->SetWaveVolume(VolumeOn);
            output_->PlaySoundAsync(dir_.Path("tone.wav"));
            std::this_thread::sleep_for(100ms);
            output_->SetWaveVolume(VolumeOff);
            output_->SetWaveVolume(VolumeOn);
            output_->PlaySoundSync(dir_.Path("short.wav"));
        },
        [&](const Samples& played) {
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
        });
}

TEST_F(SoundOutputTest, FirstPressAfterALongIdleIsHeardInFull) {
    // After five seconds of quiet, long enough for the stream to settle into
    // its idle state.
    RecordAndJudge(
        [&] {
            output_->SetWaveVolume(VolumeOn);
            output_->PlaySoundAsync(output_->SoundFilePath(kDotFile));
            std::this_thread::sleep_for(250ms);
            output_->SetWaveVolume(VolumeOff);
        },
        [&](const Samples& played) {
            const auto sounding = SoundingThroughGlitches(played, 0, kQuiet);
            ASSERT_EQ(sounding.size(), 1u) << Tones(sounding);
            if (!GlitchWithin(sounding[0].begin, sounding[0].end)) {
                EXPECT_NEAR(ToMs(sounding[0].Length()), 100 - 0.5, 1.5);
            }
        },
        5s);
}

TEST_F(SoundOutputTest, HeldToneOfTenSecondsHasNoGap) {
    HeldKey key;
    RecordAndJudge(
        [&] { key = PressFor(output_->SoundFilePath(kKeyToneFile), 10s); },
        [&](const Samples& played) {
            for (int channel : {0, 1}) {
                const auto sounding = JoinedOverStalls(SoundingThroughGlitches(played, channel, kQuiet));
                ASSERT_EQ(sounding.size(), 1u) << "channel " << channel << Tones(sounding);
                // A glitch of the server or the machine within may have cost the
                // recording frames that the server never played.
                if (capture_->Server() && !GlitchWithin(sounding[0].begin, sounding[0].end))
                    ExpectLastsAsHeld(sounding[0], key);
                EXPECT_EQ(ClicksBeyondGlitches(played, channel, kClick), std::vector<std::size_t>{})
                    << "channel " << channel;
            }
        },
        100ms, 4);
}

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
    RecordAndJudge(
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
        [&](const Samples& played) {
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
                            inTone << ' ' << Jump(played, channel, f) << " at " << ToMs(f - tone.begin)
                                   << " ms";
                    EXPECT_EQ(inTone.str(), "") << "clicks of the tone at " << ToMs(tone.begin) << " ms, "
                                                << ToMs(tone.Length()) << " ms long, channel " << channel;
                    const bool whole =
                        ToMs(tone.Length()) > 30.0 || GlitchAt(tone.begin) || GlitchAt(tone.end);
                    EXPECT_TRUE(whole) << "the tone at " << ToMs(tone.begin) << " ms is heard for "
                                       << ToMs(tone.Length()) << " ms only, channel " << channel;
                }
            }
        },
        100ms, 5);
    KillChild(busy);
}

} // namespace
} // namespace klavet::testing
