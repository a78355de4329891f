#include "pulse_device.h"

#include "audio_thread_priority.h"
#include "mixer.h"
#include "stream_placement.h"

#include <pulse/pulseaudio.h>
#include <pulse/rtclock.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <sys/eventfd.h>
#include <sys/time.h>
#include <thread>
#include <unistd.h>

namespace klavet {

namespace {

using MonotonicClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double Seconds(MonotonicClock::time_point t) {
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}

double Now() {
    return Seconds(MonotonicClock::now());
}

constexpr std::int64_t kFrameBytes = 4;
constexpr std::size_t kBlockFrames = 480;
// Silence queued while nothing sounds: the audio thread then wakes once in
// three seconds.
constexpr std::size_t kIdleQueueFrames = 288000;
// The sink latency the stream asks for: the server reads it in such steps.
constexpr std::size_t kSinkLatencyFrames = 128;
constexpr auto kConnectPatience = 1500ms;

// The libpulse side of the stream: connects, carries the placement's writes
// and questions to the server and its answers back, and keeps the main
// loop's timer. Where a write goes is the placement's decision.
class PulseDevice final : public SoundDevice, private ServerQueue {
public:
    PulseDevice(Mixer& mixer, const SoundOutputOptions& options)
        : mixer_(mixer), placement_(mixer, *this, SizesFor(options)),
          wakeFd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

    ~PulseDevice() override {
        Close();
        if (wakeFd_ >= 0)
            ::close(wakeFd_);
    }

    DeviceOpening Open() override;
    void Close() override;
    bool Lost() const override { return lost_.load(); }
    int BufferFrames() const override { return open_.load() ? static_cast<int>(kBlockFrames) : 0; }
    std::uint64_t HeardFrame() const override { return open_.load() ? placement_.HeardFrame(Now()) : 0; }
    // A sound handed over goes where the server cannot yet have read, as far
    // ahead as that is aimed of late, and two blocks allow for the time it
    // takes to reach the audio thread.
    int LeadFrames() const override {
        return open_.load() ? static_cast<int>(2 * kBlockFrames + placement_.Aim()) : 0;
    }
    void Wake() override {
        const std::uint64_t one = 1;
        if (wakeFd_ >= 0)
            (void)!::write(wakeFd_, &one, sizeof one);
    }

private:
    static QueueSizes SizesFor(const SoundOutputOptions& options) {
        QueueSizes sizes;
        sizes.ahead = static_cast<std::size_t>(std::max(options.queueFrames, 1));
        sizes.block = kBlockFrames;
        sizes.idle = kIdleQueueFrames;
        return sizes;
    }
    // Polls `state` (1 done, -1 failed, 0 not yet) under the loop's lock.
    template <typename State> int WaitFor(State state);
    bool ConnectStream();
    void Begin();

    // Main-loop thread, with the loop's lock held.
    void Write(const std::int16_t* frames, std::size_t count, Placement placement,
               std::int64_t position) override;
    bool AskTiming() override;
    static void OnContextState(pa_context* context, void* self);
    static void OnStreamState(pa_stream* stream, void* self);
    static void OnWake(pa_mainloop_api*, pa_io_event*, int, pa_io_event_flags_t, void* self);
    static void OnTick(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self);
    static void OnTiming(pa_stream* stream, int success, void* self);
    void Service();

    Mixer& mixer_;
    StreamPlacement placement_;
    const int wakeFd_;

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    pa_io_event* wakeEvent_ = nullptr;
    pa_time_event* timer_ = nullptr;
    pa_operation* timing_ = nullptr;

    std::atomic<bool> open_{false};
    std::atomic<bool> lost_{false};
};

template <typename State> int PulseDevice::WaitFor(State state) {
    const auto deadline = MonotonicClock::now() + kConnectPatience;
    for (;;) {
        pa_threaded_mainloop_lock(loop_);
        const int result = state();
        pa_threaded_mainloop_unlock(loop_);
        if (result != 0)
            return result;
        if (MonotonicClock::now() >= deadline)
            return 0;
        std::this_thread::sleep_for(2ms);
    }
}

DeviceOpening PulseDevice::Open() {
    lost_.store(false);
    loop_ = pa_threaded_mainloop_new();
    if (!loop_)
        return DeviceOpening::Absent;
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "Klavet");
    pa_proplist_sets(properties, PA_PROP_MEDIA_ROLE, "game");
    context_ = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop_), "Klavet", properties);
    pa_proplist_free(properties);
    if (context_)
        pa_context_set_state_callback(context_, OnContextState, this);
    if (!context_ || pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
        pa_threaded_mainloop_start(loop_) < 0) {
        Close();
        return DeviceOpening::Absent;
    }
    int ready = WaitFor([&] {
        const pa_context_state_t state = pa_context_get_state(context_);
        return state == PA_CONTEXT_READY ? 1 : PA_CONTEXT_IS_GOOD(state) ? 0 : -1;
    });
    // A server that has not answered in time has no stream to wait for.
    const bool answered = ready > 0;
    if (answered) {
        pa_threaded_mainloop_lock(loop_);
        ready = ConnectStream() ? 0 : -1;
        pa_threaded_mainloop_unlock(loop_);
        if (ready == 0)
            ready = WaitFor([&] {
                const pa_stream_state_t state = pa_stream_get_state(stream_);
                return state == PA_STREAM_READY ? 1 : PA_STREAM_IS_GOOD(state) ? 0 : -1;
            });
    }
    if (ready <= 0) {
        Close();
        // A stream refused by a server that answered: it has no sink now,
        // and may have one soon.
        if (ready < 0)
            return answered ? DeviceOpening::NoOutput : DeviceOpening::Absent;
        return DeviceOpening::Unanswered;
    }
    pa_threaded_mainloop_lock(loop_);
    Begin();
    pa_threaded_mainloop_unlock(loop_);
    open_.store(true);
    return DeviceOpening::Opened;
}

// The queue the server asks for is long and its requests rare: this device
// keeps its own queue by the clock. What is left of it is the sink latency
// (tlength less twice minreq), kept short so that the server reads in small
// steps. Free running (no prebuffering) so that it never stops on its own.
bool PulseDevice::ConnectStream() {
    const pa_sample_spec spec{PA_SAMPLE_S16LE, static_cast<std::uint32_t>(mixer_.Rate()), 2};
    stream_ = pa_stream_new(context_, "Key tone", &spec, nullptr);
    if (!stream_)
        return false;
    pa_stream_set_state_callback(stream_, OnStreamState, this);
    pa_buffer_attr attributes{};
    const std::uint32_t minreq = static_cast<std::uint32_t>(kIdleQueueFrames / 2 * kFrameBytes);
    attributes.maxlength = static_cast<std::uint32_t>(-1);
    attributes.minreq = minreq;
    attributes.tlength = 2 * minreq + static_cast<std::uint32_t>(kSinkLatencyFrames * kFrameBytes);
    attributes.prebuf = 0;
    attributes.fragsize = static_cast<std::uint32_t>(-1);
    return pa_stream_connect_playback(stream_, nullptr, &attributes, PA_STREAM_START_CORKED, nullptr,
                                      nullptr) == 0;
}

// Queues the first frames while corked, then lets the server play.
void PulseDevice::Begin() {
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_);
    wakeEvent_ = api->io_new(api, wakeFd_, PA_IO_EVENT_INPUT, OnWake, this);
    placement_.Begin();
    if (pa_operation* uncork = pa_stream_cork(stream_, 0, nullptr, nullptr))
        pa_operation_unref(uncork);
    timer_ = pa_context_rttime_new(context_, pa_rtclock_now(), OnTick, this);
}

void PulseDevice::Close() {
    open_.store(false);
    if (!loop_)
        return;
    pa_threaded_mainloop_lock(loop_);
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_);
    if (timer_)
        api->time_free(timer_);
    if (wakeEvent_)
        api->io_free(wakeEvent_);
    timer_ = nullptr;
    wakeEvent_ = nullptr;
    if (timing_) {
        pa_operation_cancel(timing_);
        pa_operation_unref(timing_);
        timing_ = nullptr;
        placement_.Forget();
    }
    if (stream_) {
        pa_stream_set_state_callback(stream_, nullptr, nullptr);
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
        stream_ = nullptr;
    }
    if (context_) {
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
    }
    pa_threaded_mainloop_unlock(loop_);
    pa_threaded_mainloop_stop(loop_);
    pa_threaded_mainloop_free(loop_);
    loop_ = nullptr;
}

void PulseDevice::OnContextState(pa_context* context, void* self) {
    if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context)))
        static_cast<PulseDevice*>(self)->lost_.store(true);
}

void PulseDevice::OnStreamState(pa_stream* stream, void* self) {
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream)))
        static_cast<PulseDevice*>(self)->lost_.store(true);
}

void PulseDevice::OnWake(pa_mainloop_api*, pa_io_event*, int fd, pa_io_event_flags_t, void* self) {
    std::uint64_t count = 0;
    (void)!::read(fd, &count, sizeof count);
    static_cast<PulseDevice*>(self)->Service();
}

void PulseDevice::OnTick(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self) {
    static_cast<PulseDevice*>(self)->Service();
}

void PulseDevice::Service() {
    RaiseAudioThreadPriority();
    if (lost_.load() || !stream_)
        return;
    const double wait = placement_.Service(Now());
    pa_context_rttime_restart(context_, timer_, pa_rtclock_now() + static_cast<pa_usec_t>(wait * 1e6));
}

bool PulseDevice::AskTiming() {
    timing_ = pa_stream_update_timing_info(stream_, OnTiming, this);
    return timing_ != nullptr;
}

void PulseDevice::OnTiming(pa_stream* stream, int success, void* data) {
    auto* self = static_cast<PulseDevice*>(data);
    if (self->timing_)
        pa_operation_unref(self->timing_);
    self->timing_ = nullptr;
    const double now = Now();
    ServerReading reading;
    const pa_timing_info* info = pa_stream_get_timing_info(stream);
    reading.ok = success && info && !info->read_index_corrupt;
    if (reading.ok) {
        reading.readFrame = static_cast<double>(info->read_index / kFrameBytes);
        reading.writeKnown = !info->write_index_corrupt && info->write_index >= 0;
        reading.writeFrame = static_cast<double>(info->write_index / kFrameBytes);
        if (info->synchronized_clocks) {
            timeval wall{};
            ::gettimeofday(&wall, nullptr);
            if (pa_timeval_cmp(&info->timestamp, &wall) <= 0)
                reading.stampedBefore = static_cast<double>(pa_timeval_diff(&wall, &info->timestamp)) / 1e6;
        }
    }
    self->placement_.Answered(now, reading);
    if (self->placement_.RenderOwed())
        pa_context_rttime_restart(self->context_, self->timer_, pa_rtclock_now());
}

void PulseDevice::Write(const std::int16_t* frames, std::size_t count, Placement placement,
                        std::int64_t position) {
    const std::size_t bytes = count * kFrameBytes;
    if (placement == Placement::AtRead)
        pa_stream_write(stream_, frames, bytes, nullptr, 0, PA_SEEK_RELATIVE_ON_READ);
    else if (placement == Placement::AtPosition)
        pa_stream_write(stream_, frames, bytes, nullptr, position * kFrameBytes, PA_SEEK_ABSOLUTE);
    else
        pa_stream_write(stream_, frames, bytes, nullptr, 0, PA_SEEK_RELATIVE);
}

} // namespace

std::unique_ptr<SoundDevice> MakePulseDevice(Mixer& mixer, const SoundOutputOptions& options) {
    return std::make_unique<PulseDevice>(mixer, options);
}

} // namespace klavet
