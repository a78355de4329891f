#include "pulse_device_parts.h"

#include "audio_thread_priority.h"
#include "mixer.h"

#include <pulse/rtclock.h>

#include <cmath>
#include <sys/time.h>
#include <unistd.h>

namespace klavet::pulse {

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
    const auto now = Clock::now();
    // A question that waited out a stall (seen before the answer came, or
    // only now, when the stream was at rest) took as long as the stall: that
    // says nothing of the trips to come, and the reading learnt before it
    // is outdated.
    const bool waitedOutAStall = self->stalled_ || now - self->timingAsked_ > kStallAfter;
    if (waitedOutAStall && !self->stalled_)
        self->clock_.Reset();
    self->stalled_ = false;
    const pa_timing_info* info = pa_stream_get_timing_info(stream);
    if (!success || !info || info->read_index_corrupt)
        return;
    // The server read its index just before it stamped the answer; the
    // question took from its asking to that stamp to reach the server (the
    // whole round trip when the clocks are not shared).
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


} // namespace klavet::pulse
