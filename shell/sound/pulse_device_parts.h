#pragma once

// The pulse device's own parts, shared by its two files: the connection to
// the server (pulse_device.cpp) and the writing of the stream from the
// server's reading (pulse_writing.cpp). Not for use elsewhere.

#include "pulse_device.h"

#include "mixer.h"
#include "read_clock.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>
#include <vector>

namespace klavet {

namespace pulse {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

inline double Seconds(Clock::time_point t) {
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}

inline constexpr std::int64_t kFrameBytes = 4;
// One render, and the refill period while something sounds: 10 ms.
inline constexpr std::size_t kBlockFrames = 480;
// Silence queued while nothing sounds, refilled when half of it is played:
// the audio thread then wakes once in three seconds. No more than the mixer
// keeps of its blocks (ten seconds), so that a change still renders again from
// the server's read position.
inline constexpr std::size_t kIdleQueueFrames = 288000;
// The sink latency the stream asks for: the server reads it in such steps.
inline constexpr std::size_t kSinkLatencyFrames = 128;
inline constexpr auto kConnectPatience = 1500ms;
// A server that has not answered a timing query for this long is stalled.
inline constexpr auto kStallAfter = 300ms;
// How long past its asking the queue is kept full while a question waits:
// longer than a busy machine's answers take, far less than the queue.
inline constexpr auto kAnswerAllowance = 50ms;
// Quiet this long, the stream is at rest.
inline constexpr auto kRestAfter = 1s;
// A change may be written where the server reads, wherever that turns out to
// be, when nothing has sounded or played for this long before the read
// position as told: the seam then lies in silence, whatever the true
// position, and no sound running through a silence of its own loses its
// timing.
inline constexpr std::uint64_t kSilentSeamFrames = 1024;
// A change over silence needs no aim ahead, but one over sound does: a tone
// would come out longer than it was held by the difference. So a change over
// silence is held back by as much as one over sound may be aimed ahead soon,
// less where such writes typically land, less this.
inline constexpr double kLongerAtMostSeconds = 0.003;

// Where a write goes in the server's queue.
enum class Placement {
    Append,     // after what was written last
    AtRead,     // at the server's read position, as it finds it
    AtPosition, // at the mixer frame it was rendered for
};

class PulseDevice final : public SoundDevice {
public:
    PulseDevice(Mixer& mixer, const SoundOutputOptions& options)
        : mixer_(mixer), queueFrames_(static_cast<std::size_t>(std::max(options.queueFrames, 1))),
          clock_(mixer.Rate()), wakeFd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)),
          buffer_(2 * kIdleQueueFrames) {}

    ~PulseDevice() override {
        Close();
        if (wakeFd_ >= 0)
            ::close(wakeFd_);
    }

    DeviceOpening Open() override;
    void Close() override;
    bool Lost() const override { return lost_.load(); }
    const char* Name() const override { return "pulse"; }
    int BufferFrames() const override { return open_.load() ? static_cast<int>(kBlockFrames) : 0; }
    std::uint64_t HeardFrame() const override;
    // A sound handed over goes where the server cannot yet have read, as far
    // ahead as that is aimed of late, and two blocks allow for the time it
    // takes to reach the audio thread.
    int LeadFrames() const override {
        return open_.load() ? static_cast<int>(2 * kBlockFrames + aim_.load()) : 0;
    }
    void Wake() override {
        const std::uint64_t one = 1;
        if (wakeFd_ >= 0)
            (void)!::write(wakeFd_, &one, sizeof one);
    }

private:
    // Polls `state` (1 done, -1 failed, 0 not yet) under the loop's lock.
    template <typename State> int WaitFor(State state);
    bool ConnectStream();
    void Begin();

    // Main-loop thread, with the loop's lock held.
    static void OnContextState(pa_context* context, void* self);
    static void OnStreamState(pa_stream* stream, void* self);
    static void OnWake(pa_mainloop_api*, pa_io_event*, int, pa_io_event_flags_t, void* self);
    static void OnTick(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self);
    static void OnTiming(pa_stream* stream, int success, void* self);
    void Service();
    void AskTiming(Clock::time_point now);
    void Rewrite(Clock::time_point now);
    void NoteRest(Clock::time_point now, bool worked);
    void Refill(Clock::time_point now);
    void Schedule(Clock::time_point now);
    void RenderAndWrite(std::uint64_t end, Placement first = Placement::Append);
    void RenderInto(std::uint64_t end);
    void Send(Placement placement);
    void LearnPlacement(const pa_timing_info& info);
    // The mixer frame at a position of the server's queue (in frames), and
    // back.
    std::uint64_t FrameAt(double position) const {
        return static_cast<std::uint64_t>(std::max(0.0, position + static_cast<double>(shift_.load())));
    }
    std::int64_t PositionOf(std::uint64_t frame) const {
        return static_cast<std::int64_t>(frame) - shift_.load();
    }
    bool Quiet() const { return mixer_.Idle() && written_ >= audibleEnd_; }

    Mixer& mixer_;
    const std::size_t queueFrames_;
    ReadClock clock_;
    const int wakeFd_;
    std::vector<std::int16_t> buffer_;
    std::size_t bufferedFrames_ = 0;

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    pa_io_event* wakeEvent_ = nullptr;
    pa_time_event* timer_ = nullptr;
    pa_operation* timing_ = nullptr;
    Clock::time_point timingAsked_{};
    Clock::time_point quietSince_ = Clock::time_point::max();
    bool resting_ = false;
    bool stalled_ = false;
    // A write went where the server read: where that was, and so which mixer
    // frame each position of the queue holds, is learnt from the next answer.
    bool placementPending_ = false;
    // That write: the mixer frame it began with, and when it was sent.
    std::uint64_t placedFrame_ = 0;
    double placedSeconds_ = 0;
    // The last change: the mixer frame it took effect at, and when it was
    // made (negative: none since the stream began).
    std::uint64_t changedFrame_ = 0;
    double changedSeconds_ = -1;

    std::atomic<bool> open_{false};
    std::atomic<bool> lost_{false};
    // Frames past the server's read position that a change is aimed at, of
    // late.
    std::atomic<std::uint32_t> aim_{0};
    // The mixer frame less the position of the server's queue that holds it.
    std::atomic<std::int64_t> shift_{0};
    // Mixer frames: the end of what was handed over, the end of what may
    // sound in it, and the end of what the mixer played anything in, heard
    // or not.
    std::atomic<std::uint64_t> handed_{0};
    std::uint64_t written_ = 0;
    std::uint64_t audibleEnd_ = 0;
    std::uint64_t playingEnd_ = 0;
};

} // namespace pulse
} // namespace klavet
