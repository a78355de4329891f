// What the placement hands a server's queue, call by call, apart from any
// server's timing (the simulated servers judge where it lands): here, that a
// change leaves before the queue after it is rendered.

#include "sound_operations.h"
#include "stream_placement.h"

#include <gtest/gtest.h>

#include <numeric>

namespace klavet {
namespace {

constexpr int kRate = 48000;

// A queue that keeps the size of each write and answers nothing by itself.
class RecordingQueue final : public ServerQueue {
public:
    void Write(const std::int16_t*, std::size_t count, Placement, std::int64_t) override {
        writes.push_back(count);
    }
    bool AskTiming() override { return true; }
    std::size_t Handed() {
        const std::size_t frames = std::accumulate(writes.begin(), writes.end(), std::size_t{0});
        writes.clear();
        return frames;
    }
    std::vector<std::size_t> writes;
};

TEST(StreamPlacementTest, AChangeLeavesAloneAndTheQueueAfterItFollowsAtOnce) {
    Mixer mixer{MixerSettings{}};
    RecordingQueue queue;
    const QueueSizes sizes;
    StreamPlacement placement(mixer, queue, sizes);
    placement.Begin();
    // A server that reads steadily from the start and answers at once.
    double now = 0;
    for (int i = 0; i < 40; ++i) {
        now += placement.Service(now);
        ServerReading reading;
        reading.ok = true;
        reading.readFrame = now * kRate;
        reading.stampedBefore = 0;
        placement.Answered(now, reading);
    }
    (void)queue.Handed();

    auto clip = std::make_shared<Clip>();
    clip->samples.assign(kRate, 0.5f);
    SoundRequest request;
    request.clip = clip;
    mixer.SetVolume(VolumeOn);
    ASSERT_EQ(mixer.Post(&request), nullptr);

    // The change goes out with a block or so after it, and the caller is
    // to come back as soon as that has left.
    EXPECT_EQ(placement.Service(now), 0.0);
    const std::size_t first = queue.Handed();
    EXPECT_GT(first, 0u);
    EXPECT_LT(first, sizes.ahead / 4);
    EXPECT_TRUE(placement.RenderOwed());

    // Then the queue is kept as full as ever behind it.
    EXPECT_GT(placement.Service(now), 0.0);
    EXPECT_GE(queue.Handed(), sizes.ahead);
    EXPECT_FALSE(placement.RenderOwed());
}

} // namespace
} // namespace klavet
