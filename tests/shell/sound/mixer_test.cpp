// The mixer rendered frame by frame: volume ramps, the one voice, synchronous
// sounds joining, where each sound starts, and rendering again from a queued
// frame. (Its sleep while idle: mixer_parking_test.cpp.)

#include "mixer.h"
#include "sound_operations.h"
#include "test_clips.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace klavet {
namespace {

constexpr std::size_t kRamp = 240; // 5 ms at 48 kHz

double Shape(std::size_t k) {
    return 0.5 * (1 - std::cos(std::numbers::pi * static_cast<double>(k + 1) / kRamp));
}

class MixerTest : public ::testing::Test {
protected:
    SoundRequest& Request(std::shared_ptr<const Clip> clip, bool follows = false) {
        auto r = std::make_unique<SoundRequest>();
        r->clip = std::move(clip);
        r->id = static_cast<std::uint32_t>(requests_.size() + 1);
        r->follows = follows;
        requests_.push_back(std::move(r));
        return *requests_.back();
    }
    void Play(SoundRequest& r) { EXPECT_EQ(mixer_.Post(&r), nullptr); }
    std::vector<std::int16_t> Render(std::size_t frames) {
        std::vector<std::int16_t> out(2 * frames);
        mixer_.Apply();
        mixer_.Render(out.data(), frames);
        return out;
    }
    // Brings the volume to `word` and lets its ramp end.
    void Settle(std::uint32_t word) {
        mixer_.SetVolume(word);
        Render(kRamp);
    }

    Mixer mixer_{MixerSettings{}};
    std::vector<std::unique_ptr<SoundRequest>> requests_;
};

TEST_F(MixerTest, VolumeRampsAlongARaisedCosineToTheLevelOfEachChannel) {
    Play(Request(Constant(0.5f, 10000)));
    Render(kRamp);
    mixer_.SetVolume(0xFFFF4000u);
    const auto out = Render(2 * kRamp);
    const double left = 16384.0 * 0x4000 / 65535;
    for (std::size_t k = 0; k < 2 * kRamp; ++k) {
        const double shape = k < kRamp ? Shape(k) : 1.0;
        ASSERT_NEAR(out[2 * k], left * shape, 0.5) << k;
        ASSERT_NEAR(out[2 * k + 1], 16384.0 * shape, 0.5) << k;
    }
}

TEST_F(MixerTest, SoundStartingAfreshRisesOverTheRampEvenAtFullVolume) {
    Settle(0xFFFFFFFFu);
    Play(Request(Constant(0.5f, 10000)));
    const auto out = Render(kRamp + 1);
    for (std::size_t k = 0; k < kRamp; ++k)
        ASSERT_NEAR(out[2 * k], 16384.0 * Shape(k), 0.5) << k;
    EXPECT_EQ(out[2 * kRamp], 16384);
}

TEST_F(MixerTest, VolumeChangedDuringARampGoesOnFromTheLevelReached) {
    Play(Request(Constant(0.5f, 10000)));
    Render(kRamp);
    mixer_.SetVolume(0xFFFFFFFFu);
    const auto rising = Render(100);
    mixer_.SetVolume(VolumeOff);
    const auto falling = Render(kRamp + 10);
    EXPECT_LE(falling[0], rising[2 * 99]);
    EXPECT_GE(falling[0], rising[2 * 99] - 16384 * 3.2 / kRamp);
    for (std::size_t k = 1; k < kRamp; ++k)
        EXPECT_LE(falling[2 * k], falling[2 * (k - 1)]) << k;
    for (std::size_t k = kRamp; k < kRamp + 10; ++k)
        EXPECT_EQ(falling[2 * k], 0) << k;
}

TEST_F(MixerTest, NewSoundStartsFromItsBeginningWhileTheHeardOneFadesOut) {
    Settle(0xFFFFFFFFu);
    SoundRequest& first = Request(Constant(0.5f, 100000));
    SoundRequest& second = Request(Constant(-0.25f, 100000));
    Play(first);
    Render(1000);
    Play(second);
    const auto out = Render(kRamp + 10);
    EXPECT_TRUE(first.released.load());
    EXPECT_TRUE(second.released.load());
    for (std::size_t k = 0; k < kRamp; ++k)
        ASSERT_NEAR(out[2 * k], -8192 * Shape(k) + 16384 * (1 - Shape(k)), 0.5) << k;
    for (std::size_t k = kRamp; k < kRamp + 10; ++k)
        EXPECT_EQ(out[2 * k], -8192);
    EXPECT_EQ(mixer_.LastStart().id, second.id);
    EXPECT_EQ(mixer_.LastStart().frame, kRamp + 1000);
}

TEST_F(MixerTest, SilencedSoundIsCutWithoutATrace) {
    Play(Request(Constant(0.5f, 100000)));
    Render(1000);
    mixer_.SetVolume(0xFFFFFFFFu);
    Play(Request(Constant(-0.25f, 100000)));
    const auto out = Render(kRamp);
    for (std::size_t k = 0; k < kRamp; ++k)
        ASSERT_NEAR(out[2 * k], -8192 * Shape(k), 0.5) << k;
}

TEST_F(MixerTest, SoundStartedRightAfterVolumeOffIsSilentWhileTheCutOneFadesOut) {
    Settle(0xFFFFFFFFu);
    Play(Request(Constant(0.5f, 100000)));
    Render(1000);
    mixer_.SetVolume(VolumeOff);
    Play(Request(Constant(-0.25f, 100000)));
    const auto out = Render(kRamp + 10);
    for (std::size_t k = 0; k < kRamp; ++k)
        ASSERT_NEAR(out[2 * k], 16384 * (1 - Shape(k)), 0.5) << k;
    for (std::size_t k = kRamp; k < kRamp + 10; ++k)
        EXPECT_EQ(out[2 * k], 0);
}

// What was rendered before a hush was never heard: a tone held on rises
// afresh, one fading is gone, and one released before it rose is not heard.
TEST_F(MixerTest, HushedToneRisesAfreshAndOneReleasedBeforeItRisesIsSilent) {
    Settle(0xFFFFFFFFu);
    Play(Request(Constant(0.5f, 100000)));
    Render(1000);
    mixer_.Hush();
    EXPECT_FALSE(mixer_.RewindTo(mixer_.Position() - 1)) << "no rewind goes before a hush";
    const auto held = Render(kRamp + 1);
    for (std::size_t k = 0; k < kRamp; ++k)
        ASSERT_NEAR(held[2 * k], 16384.0 * Shape(k), 0.5) << k;
    EXPECT_EQ(held[2 * kRamp], 16384);

    mixer_.SetVolume(VolumeOff);
    Render(10); // a fade under way
    mixer_.Hush();
    for (std::int16_t s : Render(kRamp + 10))
        ASSERT_EQ(s, 0);

    mixer_.SetVolume(0xFFFFFFFFu);
    Play(Request(Constant(0.5f, 100000)));
    Render(1000);
    mixer_.Hush();
    mixer_.SetVolume(VolumeOff);
    for (std::int16_t s : Render(kRamp + 10))
        ASSERT_EQ(s, 0);
}

TEST_F(MixerTest, SynchronousSoundsJoinWithoutAGapAndAsynchronousOnesCut) {
    Settle(0xFFFFFFFFu);
    Play(Request(Constant(0.5f, 1000), true));
    Render(960);
    Play(Request(Constant(-0.5f, 100), true));
    const auto joined = Render(200);
    for (std::size_t k = 0; k < 200; ++k)
        ASSERT_EQ(joined[2 * k], k < 40 ? 16384 : k < 140 ? -16384 : 0) << k;
    EXPECT_EQ(mixer_.LastStart().id, 2u);
    EXPECT_EQ(mixer_.LastStart().frame, kRamp + 1000);

    Play(Request(Constant(0.5f, 1000), true));
    Render(10);
    Play(Request(Constant(-0.25f, 1000), false));
    const auto cut = Render(kRamp + 1);
    EXPECT_EQ(cut[2 * kRamp], -8192) << "the key tone does not wait for the element";
    EXPECT_EQ(mixer_.LastStart().id, 4u);
    EXPECT_EQ(mixer_.LastStart().frame, kRamp + 960 + 200 + 10);
}

TEST_F(MixerTest, SoundEndsAtTheEndOfItsFileAndIsNotRepeated) {
    Settle(0xFFFFFFFFu);
    SoundRequest& r = Request(Constant(0.5f, 300));
    Play(r);
    const auto out = Render(1000);
    EXPECT_EQ(out[2 * 299], 16384);
    EXPECT_EQ(out[2 * 300], 0);
    EXPECT_EQ(out[2 * 999], 0);
    EXPECT_TRUE(r.released.load());
    EXPECT_EQ(mixer_.LastStart().id, r.id);
    EXPECT_TRUE(mixer_.Idle());
}

TEST_F(MixerTest, SoundReplacedBeforeTheAudioThreadTookItIsHandedBack) {
    SoundRequest& first = Request(Constant(0.5f, 300));
    SoundRequest& second = Request(Constant(0.5f, 300));
    EXPECT_EQ(mixer_.Post(&first), nullptr);
    EXPECT_EQ(mixer_.Post(&second), &first);
    Render(10);
    EXPECT_EQ(mixer_.LastStart().id, second.id);
    EXPECT_FALSE(first.released.load()) << "never taken: its owner frees it";
}

TEST_F(MixerTest, StereoClipKeepsItsChannelsAndLevelsAreClamped) {
    auto clip = std::make_shared<Clip>();
    clip->channels = 2;
    for (int i = 0; i < 300; ++i)
        clip->samples.insert(clip->samples.end(), {0.25f, -1.0f});
    clip->samples.insert(clip->samples.end(), {1.0f, 1.0f});
    Settle(0xFFFFFFFFu);
    Play(Request(clip));
    const auto out = Render(301);
    EXPECT_EQ(out[2 * 299], 8192);
    EXPECT_EQ(out[2 * 299 + 1], -32768);
    EXPECT_EQ(out[2 * 300], 32767);
}

TEST_F(MixerTest, KeyToneSilencedByAReleaseIsNeverHeardAgain) {
    Settle(VolumeOn);
    Play(Request(Constant(0.5f, 100000)));
    Render(1000);
    mixer_.SetVolume(VolumeOff);
    const auto release = Render(kRamp + 10);
    EXPECT_GT(release[0], 0) << "the release fades the tone out";
    EXPECT_EQ(release[2 * kRamp], 0);
    // The play button sets the volume on, then plays nothing.
    mixer_.SetVolume(VolumeOn);
    const auto after = Render(4000);
    for (std::size_t k = 0; k < 4000; ++k)
        ASSERT_EQ(after[2 * k], 0) << k;
    EXPECT_TRUE(mixer_.Idle());
    // The next key down is heard, from the start of its sound.
    Play(Request(Constant(0.25f, 100000)));
    const auto press = Render(kRamp + 1);
    EXPECT_EQ(press[2 * kRamp], static_cast<std::int16_t>(std::lround(8192.0 * 0x7530 / 0xFFFF)));
}

TEST_F(MixerTest, SoundStartedSilentKeepsItsPlaceInTimeAndEndsOnTime) {
    // A clip whose samples tell how far into it we are.
    auto clip = std::make_shared<Clip>();
    for (std::size_t k = 0; k < 20000; ++k)
        clip->samples.push_back(static_cast<float>(k) / 20000.0f);
    Play(Request(clip));
    Render(7001);
    Render(3000);
    mixer_.SetVolume(0xFFFFFFFFu);
    const auto heard = Render(kRamp + 10);
    EXPECT_EQ(heard[2 * (kRamp + 5)], std::lround((7001 + 3000 + kRamp + 5) / 20000.0 * 32768));
    const auto rest = Render(20000 - (7001 + 3000 + kRamp + 10) + 5);
    EXPECT_NE(rest[rest.size() - 12], 0);
    EXPECT_EQ(rest[rest.size() - 2], 0) << "over at the end of its file";
}

TEST_F(MixerTest, PlayingWhileASoundRunsHeardOrNotButNotForAVolumeWordAlone) {
    EXPECT_FALSE(mixer_.Playing());
    mixer_.SetVolume(VolumeOn);
    Render(10);
    EXPECT_FALSE(mixer_.Playing()) << "a ramp with nothing to play";
    Play(Request(Constant(0.5f, 100000)));
    Render(1000);
    EXPECT_TRUE(mixer_.Playing());
    mixer_.SetVolume(VolumeOff);
    Render(10);
    EXPECT_TRUE(mixer_.Playing()) << "fading out";
    Render(kRamp);
    EXPECT_FALSE(mixer_.Playing()) << "a released key tone is over";
    // Started at volume off, a sound runs unheard and keeps its place.
    Play(Request(Constant(0.5f, 500)));
    Render(100);
    EXPECT_TRUE(mixer_.Playing());
    EXPECT_TRUE(mixer_.Idle());
    Render(500);
    EXPECT_FALSE(mixer_.Playing()) << "over at the end of its file";
}

TEST_F(MixerTest, ReleaseLetsAnElementRunOnSilentlyForItsTime) {
    Settle(VolumeOn);
    Play(Request(Constant(0.5f, 1000), true));
    Render(100);
    mixer_.SetVolume(VolumeOff);
    Render(500);
    mixer_.SetVolume(VolumeOn);
    const auto out = Render(600);
    EXPECT_NE(out[2 * 300], 0) << "a synchronous sound keeps its time and is heard again";
    EXPECT_EQ(out[2 * 500], 0);
}

// A random story of presses, releases, elements and volume words, rendered
// once straight through and once by a stream that queues frames ahead and
// renders again from each change: the two timelines are the same, frame for
// frame.
TEST(MixerRewindTest, RenderingAgainFromAQueuedFrameMatchesAStraightRender) {
    for (unsigned seed = 1; seed <= 30; ++seed) {
        std::mt19937 random(seed);
        struct Change {
            std::size_t frame;
            int kind; // 0 volume, 1 key tone, 2 element
            std::uint32_t word;
            std::size_t length;
        };
        std::vector<Change> story;
        std::size_t frame = 0;
        for (int i = 0; i < 40; ++i) {
            frame += 1 + random() % 3000;
            const int kind = static_cast<int>(random() % 3);
            const std::uint32_t words[] = {VolumeOn, VolumeOff, 0xFFFF0000u, 0x00004000u};
            story.push_back({frame, kind, words[random() % 4], 50 + random() % 4000});
        }
        const std::size_t total = frame + 5000;
        std::vector<std::shared_ptr<const Clip>> clips;
        for (const auto& change : story) {
            auto clip = std::make_shared<Clip>();
            for (std::size_t k = 0; k < change.length; ++k)
                clip->samples.push_back(
                    static_cast<float>(std::sin(0.05 * static_cast<double>(k + change.length))));
            clips.push_back(clip);
        }
        std::vector<std::unique_ptr<SoundRequest>> requests;
        auto apply = [&](Mixer& mixer, std::size_t i) {
            if (story[i].kind == 0) {
                mixer.SetVolume(story[i].word);
            } else {
                auto r = std::make_unique<SoundRequest>();
                r->clip = clips[i];
                r->id = static_cast<std::uint32_t>(i + 1);
                r->follows = story[i].kind == 2;
                mixer.Post(r.get());
                requests.push_back(std::move(r));
            }
            mixer.Apply();
        };
        auto renderInto = [&](Mixer& mixer, std::vector<std::int16_t>& timeline, std::size_t until) {
            while (mixer.Position() < until) {
                const std::size_t n = std::min<std::size_t>(until - mixer.Position(), 1 + random() % 700);
                mixer.Render(timeline.data() + 2 * mixer.Position(), n);
            }
        };

        Mixer straight{MixerSettings{}};
        std::vector<std::int16_t> expected(2 * (total + 10000));
        for (std::size_t i = 0; i < story.size(); ++i) {
            renderInto(straight, expected, story[i].frame);
            apply(straight, i);
        }
        renderInto(straight, expected, total);

        Mixer queued{MixerSettings{}};
        std::vector<std::int16_t> heard(expected.size());
        for (std::size_t i = 0; i < story.size(); ++i) {
            renderInto(queued, heard, story[i].frame + 1 + random() % 5000);
            ASSERT_TRUE(queued.RewindTo(story[i].frame)) << "seed " << seed << ", change " << i;
            apply(queued, i);
        }
        renderInto(queued, heard, total);
        for (std::size_t k = 0; k < total; ++k)
            ASSERT_EQ(heard[2 * k], expected[2 * k]) << "seed " << seed << ", frame " << k;
        EXPECT_EQ(queued.LastStart().id, straight.LastStart().id);
        EXPECT_EQ(queued.LastStart().frame, straight.LastStart().frame);
    }
}

TEST(MixerRewindTest, NoRewindBeforeTakenInputOrBeforeTheBlocksKept) {
    MixerSettings settings;
    settings.historyBlocks = 4;
    Mixer mixer{settings};
    std::vector<std::int16_t> out(2 * 100);
    for (int i = 0; i < 6; ++i)
        mixer.Render(out.data(), 100);
    EXPECT_FALSE(mixer.RewindTo(150)) << "that block is no longer kept";
    EXPECT_TRUE(mixer.RewindTo(250));
    EXPECT_EQ(mixer.Position(), 250u);
    mixer.SetVolume(VolumeOn);
    mixer.Apply();
    mixer.Render(out.data(), 100);
    EXPECT_FALSE(mixer.RewindTo(249)) << "input was taken at 250";
    EXPECT_TRUE(mixer.RewindTo(250));
    EXPECT_FALSE(mixer.RewindTo(251)) << "not rendered yet";
}

} // namespace
} // namespace klavet
