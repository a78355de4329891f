// The audio thread's sleep while the stream is idle, and its waking by the
// next call: the mixer played by a thread of the test.

#include "mixer.h"
#include "sound_operations.h"
#include "test_clips.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace klavet {
namespace {

using namespace std::chrono_literals;

// The audio thread played by a thread of the test, buffer after buffer.
class ParkingTest : public ::testing::Test {
protected:
    void SetUp() override {
        thread_ = std::thread([this] {
            std::vector<std::int16_t> out(2 * 256);
            while (!stop_.load()) {
                mixer_.ParkIfIdle(256);
                mixer_.Apply();
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
    EXPECT_EQ(mixer_.LastStart().id, 1u);
    std::lock_guard lk(lock_);
    EXPECT_EQ(last_[0], 16384) << "the tone plays on";
}

TEST_F(ParkingTest, SoundStartedSilentKeepsItsPlaceInTimeWhileParked) {
    tone_.clip = Constant(0.5f, 24000);
    tone_.id = 1;
    mixer_.Post(&tone_);
    ASSERT_TRUE(WaitUntilParked());
    // Past the half second of the sound: made audible now, nothing is left.
    std::this_thread::sleep_for(600ms);
    mixer_.SetVolume(0xFFFFFFFFu);
    const int woken = buffers_.load();
    for (int i = 0; i < 2000 && buffers_.load() < woken + 5; ++i)
        std::this_thread::sleep_for(1ms);
    std::lock_guard lk(lock_);
    EXPECT_EQ(*std::max_element(last_.begin(), last_.end()), 0);
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
