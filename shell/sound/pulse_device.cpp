#include "pulse_device.h"

#include "audio_thread_priority.h"
#include "mixer.h"
#include "read_clock.h"

#include <pulse/pulseaudio.h>
#include <pulse/rtclock.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <sys/eventfd.h>
#include <sys/time.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace klavet {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double Seconds(Clock::time_point t) {
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}

constexpr std::int64_t kFrameBytes = 4;
// One render, and the refill period while something sounds: 10 ms.
constexpr std::size_t kBlockFrames = 480;
// Silence queued while nothing sounds, refilled when half of it is played:
// the audio thread then wakes once in three seconds. No more than the mixer
// keeps of its blocks (ten seconds), so that a change still renders again from
// the server's read position.
constexpr std::size_t kIdleQueueFrames = 288000;
// The sink latency the stream asks for: the server reads it in such steps.
constexpr std::size_t kSinkLatencyFrames = 128;
constexpr auto kConnectPatience = 1500ms;
// A server that has not answered a timing query for this long is stalled.
constexpr auto kStallAfter = 300ms;
// How long past its asking the queue is kept full while a question waits:
// longer than a busy machine's answers take, far less than the queue.
constexpr auto kAnswerAllowance = 50ms;
// Quiet this long, the stream is at rest.
constexpr auto kRestAfter = 1s;
// A change may be written where the server reads, wherever that turns out to
// be, when nothing has sounded or played for this long before the read
// position as told: the seam then lies in silence, whatever the true
// position, and no sound running through a silence of its own loses its
// timing.
constexpr std::uint64_t kSilentSeamFrames = 1024;
// A change over silence needs no aim ahead, but one over sound does: a tone
// would come out longer than it was held by the difference. So a change over
// silence is held back by as much as one over sound may be aimed ahead soon,
// less where such writes typically land, less this.
constexpr double kLongerAtMostSeconds = 0.003;

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
    const auto now = Clock::now();
    AskTiming(now);
    if (clock_.Valid())
        aim_.store(static_cast<std::uint32_t>(
            std::clamp(std::ceil(clock_.AimCeiling(Seconds(now))), 0.0, static_cast<double>(queueFrames_))));
    if (!stalled_) {
        const bool worked = mixer_.HasInput();
        if (worked)
            Rewrite(now);
        NoteRest(now, worked);
        Refill(now);
    }
    Schedule(now);
}

// Quiet for a while, no key being worked: only then is the long queue of
// silence worth writing, and the audio thread left asleep. A change that
// left the mixer idle (a key's volume, its sound still to come) ends the rest
// all the same: seconds of silence rendered then would hold up the sound.
void PulseDevice::NoteRest(Clock::time_point now, bool worked) {
    if (worked || !Quiet())
        quietSince_ = Clock::time_point::max();
    else if (quietSince_ == Clock::time_point::max())
        quietSince_ = now;
    resting_ = quietSince_ != Clock::time_point::max() && now - quietSince_ >= kRestAfter;
}

// One query at a time; one unanswered for long marks the server stalled, and
// what was known of its reading is dropped, to be learnt again.
void PulseDevice::AskTiming(Clock::time_point now) {
    if (timing_) {
        if (!stalled_ && now - timingAsked_ > kStallAfter) {
            stalled_ = true;
            clock_.Reset();
        }
        return;
    }
    timingAsked_ = now;
    timing_ = pa_stream_update_timing_info(stream_, OnTiming, this);
}

void PulseDevice::OnTiming(pa_stream* stream, int success, void* data) {
    auto* self = static_cast<PulseDevice*>(data);
    if (self->timing_)
        pa_operation_unref(self->timing_);
    self->timing_ = nullptr;
    // A question that waited out a stall (seen before the answer came, or
    // only now, when the stream was at rest) took as long as the stall: that
    // says nothing of the trips to come, and the reading learnt before it
    // is outdated.
    const bool waitedOutAStall = self->stalled_ || Clock::now() - self->timingAsked_ > kStallAfter;
    if (waitedOutAStall && !self->stalled_)
        self->clock_.Reset();
    self->stalled_ = false;
    const pa_timing_info* info = pa_stream_get_timing_info(stream);
    if (!success || !info || info->read_index_corrupt)
        return;
    // The server read its index just before it stamped the answer; the
    // question took from its asking to that stamp to reach the server (the
    // whole round trip when the clocks are not shared).
    const auto now = Clock::now();
    double at = Seconds(now);
    double delay = std::chrono::duration<double>(now - self->timingAsked_).count();
    if (info->synchronized_clocks) {
        timeval wall{};
        ::gettimeofday(&wall, nullptr);
        if (pa_timeval_cmp(&info->timestamp, &wall) <= 0) {
            const double since = static_cast<double>(pa_timeval_diff(&wall, &info->timestamp)) / 1e6;
            at -= since;
            delay = std::max(0.0, delay - since);
        }
    }
    if (waitedOutAStall)
        delay = 0;
    self->clock_.Add(static_cast<double>(info->read_index / kFrameBytes), at, delay, self->Quiet());
    self->LearnPlacement(*info);
}

// The first answer that counts every write since one went where the server
// read tells where the queue ends, and so which mixer frame its position 0
// holds; until then another question follows each answer.
void PulseDevice::LearnPlacement(const pa_timing_info& info) {
    if (!placementPending_)
        return;
    if (info.write_index_corrupt || info.write_index < 0) {
        AskTiming(Clock::now());
        return;
    }
    shift_.store(static_cast<std::int64_t>(written_) - info.write_index / kFrameBytes);
    placementPending_ = false;
    clock_.Landed(static_cast<double>(PositionOf(placedFrame_)), placedSeconds_);
    if (mixer_.HasInput())
        Rewrite(Clock::now());
}

// Renders again, with the new input taken, over everything queued that may
// sound. Where only silence lies around the server's read position, the
// change goes exactly there, whatever the server has read by the time it
// arrives. Where the queue sounds, it goes where the server cannot yet have
// read, so that what sounds goes on without a seam, and no sooner after the
// change before it than it was made: a tone lasts as long as it was held.
void PulseDevice::Rewrite(Clock::time_point now) {
    const double seconds = Seconds(now);
    std::uint64_t at = written_;
    std::uint64_t heldBack = 0;
    Placement placement = Placement::AtPosition;
    if (clock_.Valid()) {
        const double reading = clock_.Predict(seconds);
        const bool silentSeam = std::max(audibleEnd_, playingEnd_) + kSilentSeamFrames <= FrameAt(reading);
        // Over sound, a change needs to know which frame each position holds:
        // while that is being learnt, it waits for the answer.
        if (placementPending_ && !silentSeam)
            return;
        const double unread = clock_.UnreadFrom(seconds);
        std::uint64_t from = FrameAt(std::ceil(silentSeam ? reading : unread));
        // A change made before the clock's samples began (before a stall)
        // sets no distance: it would carry the stall's lag on.
        if (!silentSeam && changedSeconds_ >= clock_.RunStart())
            from = std::max(from, changedFrame_ + static_cast<std::uint64_t>(std::ceil(
                                                      (seconds - changedSeconds_) * mixer_.Rate())));
        at = std::clamp(from, mixer_.InputFrame(), written_);
        placement = silentSeam ? Placement::AtRead : Placement::AtPosition;
        if (silentSeam)
            heldBack = static_cast<std::uint64_t>(
                std::max(0.0, std::ceil(clock_.AimCeiling(seconds) - clock_.TypicalLanding() -
                                        kLongerAtMostSeconds * mixer_.Rate())));
    }
    if (!mixer_.RewindTo(at))
        at = mixer_.Position();
    changedFrame_ = at + heldBack;
    changedSeconds_ = seconds;
    const std::uint64_t queuedEnd = std::min(written_, audibleEnd_);
    written_ = at;
    audibleEnd_ = std::min(audibleEnd_, at);
    playingEnd_ = std::min(playingEnd_, at);
    // The seam and the first block after it go in one write, sent before
    // the rest is rendered: the server then never reads past what it has
    // been given of the change.
    RenderInto(at + heldBack);
    mixer_.Apply();
    RenderInto(written_ + kBlockFrames);
    Send(placement);
    RenderAndWrite(std::max(written_ + queueFrames_, queuedEnd));
    if (placement == Placement::AtRead) {
        placementPending_ = true;
        placedFrame_ = at;
        placedSeconds_ = seconds;
        AskTiming(now);
    }
}

// While a question goes unanswered, the queue is kept as full only as it was
// a little after the asking: a server that stopped answering has stopped
// reading, and a sink that catches up on its return would play at once all
// that was queued meanwhile, whatever the key did since.
void PulseDevice::Refill(Clock::time_point now) {
    if (!clock_.Valid())
        return;
    const auto until = timing_ ? std::min(now, timingAsked_ + kAnswerAllowance) : now;
    const double read = std::max(0.0, clock_.Predict(Seconds(until)));
    const std::size_t ahead = resting_ ? kIdleQueueFrames : queueFrames_;
    const std::uint64_t target = FrameAt(read) + ahead;
    if (written_ < target)
        RenderAndWrite(target);
}

// Every block while something sounds, a key is being worked or the clock is
// still learning the server; at rest, when half of the silence queued has
// been played.
void PulseDevice::Schedule(Clock::time_point now) {
    double wait = static_cast<double>(kBlockFrames) / mixer_.Rate();
    if (resting_ && clock_.Settled()) {
        const double queued = static_cast<double>(PositionOf(written_)) - clock_.Predict(Seconds(now));
        wait = std::max(wait, (queued - kIdleQueueFrames / 2.0) / mixer_.Rate());
    }
    pa_context_rttime_restart(context_, timer_, pa_rtclock_now() + static_cast<pa_usec_t>(wait * 1e6));
}

void PulseDevice::RenderAndWrite(std::uint64_t end, Placement first) {
    Placement placement = first;
    while (written_ < end) {
        RenderInto(end);
        Send(placement);
        placement = Placement::Append;
    }
}

// Renders after what the buffer holds, up to the mixer frame `end` or until
// the buffer is full.
void PulseDevice::RenderInto(std::uint64_t end) {
    while (written_ < end && bufferedFrames_ + kBlockFrames <= buffer_.size() / 2) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kBlockFrames, end - written_));
        std::int16_t* out = buffer_.data() + 2 * bufferedFrames_;
        const bool playing = mixer_.Playing();
        mixer_.Render(out, n);
        if (playing || mixer_.Playing())
            playingEnd_ = written_ + n;
        const auto last =
            std::find_if(std::make_reverse_iterator(out + 2 * n), std::make_reverse_iterator(out),
                         [](std::int16_t s) { return s != 0; });
        if (last != std::make_reverse_iterator(out))
            audibleEnd_ = written_ + static_cast<std::uint64_t>((last.base() - out + 1) / 2);
        bufferedFrames_ += n;
        written_ += n;
    }
}

// Hands the buffer over in one write, placed as asked, and empties it.
void PulseDevice::Send(Placement placement) {
    const std::uint64_t start = written_ - bufferedFrames_;
    const std::size_t bytes = bufferedFrames_ * kFrameBytes;
    bufferedFrames_ = 0;
    if (bytes == 0)
        return;
    if (placement == Placement::AtRead)
        pa_stream_write(stream_, buffer_.data(), bytes, nullptr, 0, PA_SEEK_RELATIVE_ON_READ);
    else if (placement == Placement::AtPosition)
        pa_stream_write(stream_, buffer_.data(), bytes, nullptr, PositionOf(start) * kFrameBytes,
                        PA_SEEK_ABSOLUTE);
    else
        pa_stream_write(stream_, buffer_.data(), bytes, nullptr, 0, PA_SEEK_RELATIVE);
    handed_.store(written_);
}

} // namespace

std::unique_ptr<SoundDevice> MakePulseDevice(Mixer& mixer, const SoundOutputOptions& options) {
    return std::make_unique<PulseDevice>(mixer, options);
}

} // namespace klavet
