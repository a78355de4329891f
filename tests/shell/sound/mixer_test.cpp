// The mixer rendered frame by frame: volume ramps, the one voice, synchronous
// sounds joining, progress, and the audio thread's sleep while idle.

#include "mixer.h"
#include "sound_operations.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <thread>

namespace klavet {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t kRamp = 240; // 5 ms at 48 kHz

std::shared_ptr<const Clip> Constant(float value, std::size_t frames) {
    auto clip = std::make_shared<Clip>();
    clip->samples.assign(frames, value);
    return clip;
}

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
    EXPECT_FALSE(second.released.load());
    for (std::size_t k = 0; k < kRamp; ++k)
        ASSERT_NEAR(out[2 * k], -8192 * Shape(k) + 16384 * (1 - Shape(k)), 0.5) << k;
    for (std::size_t k = kRamp; k < kRamp + 10; ++k)
        EXPECT_EQ(out[2 * k], -8192);
    EXPECT_EQ(mixer_.Progress().id, second.id);
    EXPECT_EQ(mixer_.Progress().remaining, 100000 - kRamp - 10);
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

TEST_F(MixerTest, SynchronousSoundsJoinWithoutAGapAndAsynchronousOnesCut) {
    Settle(0xFFFFFFFFu);
    Play(Request(Constant(0.5f, 1000), true));
    Render(960);
    Play(Request(Constant(-0.5f, 100), true));
    const auto joined = Render(200);
    for (std::size_t k = 0; k < 200; ++k)
        ASSERT_EQ(joined[2 * k], k < 40 ? 16384 : k < 140 ? -16384 : 0) << k;
    EXPECT_EQ(mixer_.Progress().id, 2u);
    EXPECT_EQ(mixer_.Progress().remaining, 0u);

    Play(Request(Constant(0.5f, 1000), true));
    Render(10);
    Play(Request(Constant(-0.25f, 1000), false));
    const auto cut = Render(kRamp + 1);
    EXPECT_EQ(cut[2 * kRamp], -8192) << "the key tone does not wait for the element";
    EXPECT_EQ(mixer_.Progress().id, 4u);
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
    EXPECT_EQ(mixer_.Progress().id, r.id);
    EXPECT_EQ(mixer_.Progress().remaining, 0u);
}

TEST_F(MixerTest, SoundReplacedBeforeTheAudioThreadTookItIsHandedBack) {
    SoundRequest& first = Request(Constant(0.5f, 300));
    SoundRequest& second = Request(Constant(0.5f, 300));
    EXPECT_EQ(mixer_.Post(&first), nullptr);
    EXPECT_EQ(mixer_.Post(&second), &first);
    Render(10);
    EXPECT_EQ(mixer_.Progress().id, second.id);
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

// The audio thread played by a thread of the test, buffer after buffer.
class ParkingTest : public ::testing::Test {
protected:
    void SetUp() override {
        thread_ = std::thread([this] {
            std::vector<std::int16_t> out(2 * 256);
            while (!stop_.load()) {
                mixer_.Render(out.data(), 256);
                {
                    std::lock_guard lk(lock_);
                    last_ = out;
                }
                buffers_.fetch_add(1);
                std::this_thread::sleep_for(1ms);
            }
        });
    }
    void TearDown() override {
        stop_.store(true);
        mixer_.HoldAwake(true);
        thread_.join();
    }
    bool WaitUntilParked() {
        for (int i = 0; i < 2000 && !mixer_.Parked(); ++i)
            std::this_thread::sleep_for(1ms);
        return mixer_.Parked();
    }

    // Outlive the rendering thread, which may read them to its end.
    SoundRequest tone_;
    SoundRequest element_;
    Mixer mixer_{MixerSettings{48000, 0.005, 2048}};
    std::atomic<bool> stop_{false};
    std::atomic<int> buffers_{0};
    std::mutex lock_;
    std::vector<std::int16_t> last_;
    std::thread thread_;
};

TEST_F(ParkingTest, IdleStreamSleepsAndTheNextCallWakesItWithItsSoundFromTheStart) {
    ASSERT_TRUE(WaitUntilParked());
    const int before = buffers_.load();
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(buffers_.load(), before) << "no buffer while parked";

    tone_.clip = Constant(0.5f, 480000);
    tone_.id = 1;
    mixer_.SetVolume(0xFFFFFFFFu);
    mixer_.Post(&tone_);
    for (int i = 0; i < 2000 && buffers_.load() == before; ++i)
        std::this_thread::sleep_for(1ms);
    ASSERT_GT(buffers_.load(), before);
    EXPECT_FALSE(mixer_.Parked());
    std::this_thread::sleep_for(20ms);
    EXPECT_GT(mixer_.Progress().remaining, 480000u - 48000u) << "the tone plays on from its start";
}

TEST_F(ParkingTest, SilencedKeyToneKeepsItsPlaceInTimeWhileParked) {
    tone_.clip = Constant(0.5f, 48000);
    tone_.id = 1;
    mixer_.Post(&tone_);
    ASSERT_TRUE(WaitUntilParked());
    const auto parkedAt = mixer_.Progress().remaining;
    std::this_thread::sleep_for(300ms);
    mixer_.SetVolume(0xFFFFFFFFu);
    for (int i = 0; i < 2000 && mixer_.Progress().remaining == parkedAt; ++i)
        std::this_thread::sleep_for(1ms);
    EXPECT_LE(mixer_.Progress().remaining + 300 * 48, parkedAt);
}

TEST_F(ParkingTest, SynchronousSoundAndHeldAwakeStreamNeverPark) {
    mixer_.HoldAwake(true);
    std::this_thread::sleep_for(200ms);
    EXPECT_FALSE(mixer_.Parked());
    mixer_.HoldAwake(false);
    ASSERT_TRUE(WaitUntilParked());

    element_.clip = Constant(0.5f, 48000 * 10);
    element_.id = 1;
    element_.follows = true;
    mixer_.Post(&element_);
    std::this_thread::sleep_for(300ms);
    EXPECT_FALSE(mixer_.Parked()) << "a silenced element still counts its time";
}

} // namespace
} // namespace klavet
