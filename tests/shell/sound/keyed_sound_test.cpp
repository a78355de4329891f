// The trainer's handlers on the real sound output, recorded at a private
// server's sink: a key tone silenced by a release is never heard again, even
// when the play button then sets the volume on and plays nothing.

#include "capture_test.h"
#include "fake_window.h"
#include "keying.h"
#include "sound_output.h"
#include "test_waves.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

namespace klavet::testing {
namespace {

using MonotonicClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kQuiet = 40;

std::size_t Ms(double ms) {
    return static_cast<std::size_t>(ms * 48);
}

// The real output, with its sound files looked up in a directory of the test.
class SoundInDirectory final : public SoundOperations {
public:
    SoundInDirectory(SoundOperations& inner, std::string dir) : inner_(inner), dir_(std::move(dir)) {}
    void PlaySoundAsync(const std::string& path) override { inner_.PlaySoundAsync(path); }
    void PlaySoundSync(const std::string& path) override { inner_.PlaySoundSync(path); }
    void SetWaveVolume(std::uint32_t volume) override { inner_.SetWaveVolume(volume); }
    std::string SoundFilePath(std::string_view name) const override { return dir_ + std::string(name); }

private:
    SoundOperations& inner_;
    const std::string dir_;
};

class KeyedSoundTest : public CaptureTest<KeyedSoundTest> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(OpenOutput());
        ASSERT_NE(capture_->Server(), nullptr) << "these cases listen at a server's sink";
        const auto tone = WaveBytes(Sine(700, 40, 48000, 0.5), 1, 48000, SampleKind::S16);
        WriteFile(dir_.Path("tok.wav"), tone);
        WriteFile(dir_.Path("di.wav"), WaveBytes(Sine(700, 0.1, 48000, 0.5), 1, 48000, SampleKind::S16));
        WriteFile(dir_.Path("da.wav"), WaveBytes(Sine(700, 0.3, 48000, 0.5), 1, 48000, SampleKind::S16));
        sound_ = std::make_unique<SoundInDirectory>(*output_, dir_.Path(""));
        engine_ = std::make_unique<TrainerEngine>(state_, window_, *sound_);
    }

    // A press of 150 ms, then after `pause` the play button with `entry`;
    // `then` checks what was heard from the press on, told where the
    // release's ramp ended. The tone lasts as long as the key was held (see
    // ExpectLastsAsHeld), but where the server or the machine glitched
    // within it.
    void PressThenPlay(const std::string& entry, MonotonicClock::duration pause,
                       const std::function<void(const Samples&, std::size_t)>& then) {
        HeldKey key;
        RecordAndJudge(
            [&] {
                // The press handler reads the key tone's file when it has changed
                // on disk (here, at each case's first press): the tone is handed
                // over as the handler returns, and it is timed from there.
                engine_->Laklavet_MouseDown();
                const auto pressed = MonotonicClock::now();
                std::this_thread::sleep_for(150ms);
                const auto releasing = MonotonicClock::now();
                engine_->Laklavet_MouseUp();
                key = LetGo(pressed, releasing);
                std::this_thread::sleep_for(pause - 100ms);
                window_.texts[TextBox::Text1] = entry;
                engine_->Command1_Click();
                std::this_thread::sleep_for(300ms);
            },
            [&](const Samples& played) {
                const auto tone = JoinedOverStalls(SoundingThroughGlitches(played, 0, kQuiet), Ms(100));
                ASSERT_FALSE(tone.empty()) << "the press is heard";
                if (!GlitchWithin(tone[0].begin, tone[0].end))
                    ExpectLastsAsHeld(tone[0], key);
                then(played, tone[0].end);
            });
    }

    void ExpectSilentAfterRelease(const std::string& entry) {
        PressThenPlay(entry, 100ms, [&](const Samples& played, std::size_t releaseEnd) {
            for (int channel : {0, 1})
                EXPECT_EQ(Peak(played, channel, releaseEnd + Ms(1), played.size() / 2), 0)
                    << "entry \"" << entry << "\", channel " << channel;
        });
        EXPECT_EQ(window_.Caption(Label::Label7), window_.UpperCase(entry));
    }

    TempDir dir_;
    std::unique_ptr<SoundInDirectory> sound_;
    TrainerState state_;
    FakeWindow window_;
    std::unique_ptr<TrainerEngine> engine_;
};

TEST_F(KeyedSoundTest, PlayButtonWithNoSignLeavesTheReleasedToneSilent) {
    for (const std::string entry : {"@", "\xC3\xA9", "", " "})
        ExpectSilentAfterRelease(entry);
}

TEST_F(KeyedSoundTest, PlayButtonWhoseElementFileIsMissingOrBrokenLeavesTheReleasedToneSilent) {
    std::filesystem::remove(dir_.Path("di.wav"));
    ExpectSilentAfterRelease("e");
    WriteFile(dir_.Path("da.wav"), {'R', 'I', 'F', 'F', 0xFF, 0xFF, 0xFF, 0xFF, 'W', 'A', 'V', 'E'});
    ExpectSilentAfterRelease("t");
}

TEST_F(KeyedSoundTest, PlayButtonWithASignIsHeardAndNothingElse) {
    // Played once the release is heard, however far ahead a busy machine
    // had the output aim it (300 ms at most), so that the dot stands apart.
    PressThenPlay("e", 400ms, [this](const Samples& played, std::size_t releaseEnd) {
        std::vector<Segment> after;
        for (const Segment& tone : JoinedOverStalls(SoundingThroughGlitches(played, 0, kQuiet), Ms(100)))
            if (tone.begin >= releaseEnd)
                after.push_back(tone);
        ASSERT_EQ(after.size(), 1u) << "the dot, and no key tone around it" << Tones(after);
        if (!GlitchWithin(after[0].begin, after[0].end)) {
            EXPECT_NEAR(static_cast<double>(after[0].Length()) / 48, 100, 2);
        }
    });
    EXPECT_EQ(window_.Caption(Label::signe), ".");
}

} // namespace
} // namespace klavet::testing
