// The sound output as the sound files play it: the volume word, the spacing
// of the sign's elements, a missing or broken file, and files of other formats.

#include "sound_output.h"
#include "sound_output_test.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

namespace klavet::testing {
namespace {

using MonotonicClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

TEST_F(SoundOutputTest, VolumeWordSetsLeftFromTheLowWordAndRightFromTheHighWord) {
    RecordAndJudge(
        [&] {
            output_->SetWaveVolume(0xFFFF0000u);
            output_->PlaySoundSync(dir_.Path("short.wav"));
            output_->SetWaveVolume(0x0000FFFFu);
            output_->PlaySoundSync(dir_.Path("short.wav"));
        },
        [&](const Samples& played) {
            const auto right = SoundingThroughGlitches(played, 1, kQuiet);
            const auto left = SoundingThroughGlitches(played, 0, kQuiet);
            ASSERT_EQ(right.size(), 1u);
            ASSERT_EQ(left.size(), 1u);
            EXPECT_LT(right[0].end, left[0].begin + Ms(6)) << "right first, then left";
            EXPECT_NEAR(Peak(played, 1, right[0].begin + Ms(20), right[0].end - Ms(20)), kFull, 1);
            EXPECT_NEAR(Peak(played, 0, left[0].begin + Ms(20), left[0].end - Ms(20)), kFull, 1);
            EXPECT_EQ(Peak(played, 0, 0, right[0].end - Ms(6)), 0);
            EXPECT_EQ(Peak(played, 1, left[0].begin + Ms(6), played.size() / 2), 0);
        });
}

TEST_F(SoundOutputTest, KPatternIsLongShortLongWithTheFilesOwnSpacing) {
    const std::string da = output_->SoundFilePath(kDashFile);
    const std::string di = output_->SoundFilePath(kDotFile);
    std::vector<double> callMs;
    std::vector<int> leads;
    RecordAndJudge(
        [&] {
            callMs.clear();
            leads.clear();
            output_->SetWaveVolume(VolumeOn);
            for (const auto& path : {da, di, da}) {
                const auto start = MonotonicClock::now();
                const std::size_t handed = capture_->Frames();
                output_->PlaySoundSync(path);
                const double ms =
                    std::chrono::duration<double, std::milli>(MonotonicClock::now() - start).count();
                // The dummy driver sleeps between buffers, so its pace is no clock's:
                // ahead of real time on a quiet machine, behind it on a busy one. A
                // call there ends when its frames are out or its time is up, so it
                // lasts whichever of the two is the longer.
                callMs.push_back(capture_->Server() ? ms : std::max(ms, ToMs(capture_->Frames() - handed)));
                leads.push_back(output_->LeadFrames());
            }
        },
        [&](const Samples& played) {
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
        });
}

TEST_F(SoundOutputTest, VolumeBelongsToTheStreamAndStaysAsLastSet) {
    RecordAndJudge(
        [&] {
            output_->SetWaveVolume(VolumeOn);
            output_->PlaySoundSync(dir_.Path("short.wav"));
            output_->PlaySoundSync(dir_.Path("short.wav"));
            // A synchronous call returns as its last buffers go out; let them.
            std::this_thread::sleep_for(100ms);
            output_->SetWaveVolume(VolumeOff);
            output_->PlaySoundSync(dir_.Path("short.wav"));
        },
        [&](const Samples& played) {
            // Joined without a gap: the second does not rise from silence.
            const auto sounding = SoundingThroughGlitches(played, 0, kQuiet);
            ASSERT_EQ(sounding.size(), 1u)
                << "the two heard sounds join, the third is silent" << Tones(sounding);
            if (!GlitchWithin(sounding[0].begin, sounding[0].end)) {
                EXPECT_NEAR(ToMs(sounding[0].Length()), 400, 12);
            }
        });
}

TEST_F(SoundOutputTest, MissingOrUnreadableKeyToneGivesTheDefaultSound) {
    WriteFile(dir_.Path("garbage.wav"), std::vector<std::uint8_t>(5000, 0x5A));
    for (const std::string& path : {dir_.Path("absent.wav"), dir_.Path("garbage.wav")}) {
        RecordAndJudge(
            [&] {
                output_->SetWaveVolume(VolumeOn);
                output_->PlaySoundAsync(path);
                std::this_thread::sleep_for(700ms);
                output_->SetWaveVolume(VolumeOff);
            },
            [&](const Samples& played) {
                const auto sounding = SoundingThroughGlitches(played, 0, kQuiet, Ms(20));
                ASSERT_EQ(sounding.size(), 1u) << path << Tones(sounding);
                EXPECT_GT(Peak(played, 0, 0, played.size() / 2), 2000) << path;
                EXPECT_EQ(SoundingThroughGlitches(played, 1, kQuiet, Ms(20)).size(), 1u) << path;
                // A short sound of its own, over long before the key was let go.
                EXPECT_LT(ToMs(sounding[0].Length()), 250) << path;
                EXPECT_GT(ToMs(sounding[0].Length()), 50) << path;
            });
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
        RecordAndJudge(
            [&] {
                output_->SetWaveVolume(VolumeOn);
                const auto start = MonotonicClock::now();
                output_->PlaySoundSync(path);
                took = MonotonicClock::now() - start;
            },
            [&](const Samples& played) {
                EXPECT_LT(took, 100ms) << path;
                EXPECT_EQ(Peak(played, 0, 0, played.size() / 2), 0) << path;
                EXPECT_EQ(Peak(played, 1, 0, played.size() / 2), 0) << path;
            });
    }
}

TEST_F(SoundOutputTest, FileChangedOnDiskIsReadAgain) {
    const std::string path = dir_.Path("changing.wav");
    WriteFile(path, WaveBytes(Sine(1000, 0.2, kRate, 0.25), 1, kRate, SampleKind::S16));
    RecordAndJudge(
        [&] {
            output_->SetWaveVolume(0xFFFFFFFFu);
            output_->PlaySoundSync(path);
        },
        [&](const Samples& first) { EXPECT_NEAR(Peak(first, 0, 0, first.size() / 2), kFull / 2, 1); });
    // Same size, new content.
    std::this_thread::sleep_for(20ms);
    WriteFile(path, WaveBytes(Sine(1000, 0.2, kRate, 0.5), 1, kRate, SampleKind::S16));
    RecordAndJudge(
        [&] { output_->PlaySoundSync(path); },
        [&](const Samples& second) { EXPECT_NEAR(Peak(second, 0, 0, second.size() / 2), kFull, 1); });
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
        RecordAndJudge(
            [&] {
                output_->SetWaveVolume(0xFFFFFFFFu);
                output_->PlaySoundSync(dir_.Path(c.name));
            },
            [&](const Samples& played) {
                const auto sounding = SoundingThroughGlitches(played, 0, 1000);
                ASSERT_EQ(sounding.size(), 1u) << c.name << Tones(sounding);
                if (GlitchWithin(sounding[0].begin, sounding[0].end))
                    return;
                EXPECT_NEAR(ToMs(sounding[0].Length()), 300, 2.0) << c.name;
                int crossings = 0;
                for (std::size_t i = sounding[0].begin + 1; i < sounding[0].end; ++i)
                    crossings += (played[2 * i - 2] < 0) != (played[2 * i] < 0);
                EXPECT_NEAR(crossings, 2 * 600 * 0.3, 4) << c.name;
                EXPECT_NEAR(Peak(played, 1, sounding[0].begin, sounding[0].end), kFull, kFull / 50) << c.name;
            });
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
