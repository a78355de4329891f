#include "pulse_device_parts.h"

#include "mixer.h"

#include <pulse/rtclock.h>

#include <thread>

namespace klavet {

namespace pulse {

template <typename State> int PulseDevice::WaitFor(State state) {
    const auto deadline = Clock::now() + kConnectPatience;
    for (;;) {
        pa_threaded_mainloop_lock(loop_);
        const int result = state();
        pa_threaded_mainloop_unlock(loop_);
        if (result != 0)
            return result;
        if (Clock::now() >= deadline)
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
    const bool answered = ready > 0;
    if (ready > 0) {
        pa_threaded_mainloop_lock(loop_);
        ready = ConnectStream() ? 0 : -1;
        pa_threaded_mainloop_unlock(loop_);
    }
    if (ready == 0)
        ready = WaitFor([&] {
            const pa_stream_state_t state = pa_stream_get_state(stream_);
            return state == PA_STREAM_READY ? 1 : PA_STREAM_IS_GOOD(state) ? 0 : -1;
        });
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
    written_ = audibleEnd_ = playingEnd_ = mixer_.Position();
    shift_.store(static_cast<std::int64_t>(written_));
    handed_.store(written_);
    clock_.Reset();
    stalled_ = false;
    placementPending_ = false;
    changedSeconds_ = -1;
    quietSince_ = Clock::time_point::max();
    resting_ = false;
    mixer_.Apply();
    RenderAndWrite(written_ + queueFrames_);
    if (pa_operation* uncork = pa_stream_cork(stream_, 0, nullptr, nullptr))
        pa_operation_unref(uncork);
    const auto now = Clock::now();
    AskTiming(now);
    timer_ = pa_context_rttime_new(context_, pa_rtclock_now() + 10 * PA_USEC_PER_MSEC, OnTick, this);
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

std::uint64_t PulseDevice::HeardFrame() const {
    const std::uint64_t handed = handed_.load();
    const double read =
        open_.load() && clock_.Valid() ? std::max(0.0, clock_.Predict(Seconds(Clock::now()))) : 0.0;
    return std::min(handed, FrameAt(read));
}

void PulseDevice::OnContextState(pa_context* context, void* self) {
    if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context)))
        static_cast<PulseDevice*>(self)->lost_.store(true);
}

void PulseDevice::OnStreamState(pa_stream* stream, void* self) {
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream)))
        static_cast<PulseDevice*>(self)->lost_.store(true);
}


} // namespace pulse

std::unique_ptr<SoundDevice> MakePulseDevice(Mixer& mixer, const SoundOutputOptions& options) {
    return std::make_unique<pulse::PulseDevice>(mixer, options);
}

} // namespace klavet
