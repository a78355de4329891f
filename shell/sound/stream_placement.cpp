#include "stream_placement.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace klavet {

namespace {

// A server that has not answered a timing query for this long is stalled.
constexpr double kStallAfter = 0.3;
// How long past its asking the queue is kept full while a question waits:
// longer than a busy machine's answers take, far less than the queue.
constexpr double kAnswerAllowance = 0.05;
// Quiet this long, the stream is at rest.
constexpr double kRestAfter = 1.0;
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
// A change over a tone under way comes no sooner after the change that began
// it than it was made, so that the tone lasts as long as it was held. One
// after a silence keeps this much of the gap at the least: a lag that the
// server's reading left behind the line (a short stall on a server that does
// not catch up) is made up over a few gaps, not carried on from change to
// change for as long as a sound plays.
constexpr double kGapKept = 0.25;
// Questions asked at a fixed period find a server that reads in steps of
// that period, or of a multiple of it, at the same point of every step, and
// the read clock's line may then lie up to a step below what it has read. So
// the period between services is varied around the block, by steps of the
// golden ratio's fraction, which sweep every point of any step evenly.
constexpr double kPeriodStep = 0.6180339887498949;

} // namespace

StreamPlacement::StreamPlacement(Mixer& mixer, ServerQueue& queue, const QueueSizes& sizes)
    : mixer_(mixer), queue_(queue), sizes_(sizes), rate_(mixer.Rate()), clock_(mixer.Rate()),
      buffer_(2 * sizes.idle) {
}

std::uint64_t StreamPlacement::FrameAt(double position) const {
    return static_cast<std::uint64_t>(std::max(0.0, position + static_cast<double>(shift_.load())));
}

void StreamPlacement::Begin() {
    written_ = audibleEnd_ = playingEnd_ = mixer_.Position();
    shift_.store(static_cast<std::int64_t>(written_));
    lastRead_ = lastReadAt_ = 0;
    handed_.store(written_);
    clock_.Reset();
    asking_ = false;
    stalled_ = false;
    placementPending_ = false;
    changedSeconds_ = -1;
    quietSince_ = -1;
    resting_ = false;
    owedEnd_ = 0;
    mixer_.Apply();
    RenderAndWrite(written_ + sizes_.ahead);
}

double StreamPlacement::Service(double now) {
    FinishRewrite();
    AskTiming(now);
    if (clock_.Valid())
        aim_.store(static_cast<std::uint32_t>(
            std::clamp(std::ceil(clock_.AimCeiling(now)), 0.0, static_cast<double>(sizes_.ahead))));
    if (!stalled_) {
        const bool worked = mixer_.HasInput();
        if (worked)
            Rewrite(now);
        NoteRest(now, worked);
        // The seam of a change goes out first; the rest is rendered at once
        // after it has left.
        if (RenderOwed())
            return 0;
        Refill(now);
    }
    phase_ = std::fmod(phase_ + kPeriodStep, 1.0);
    return NextService(now);
}

std::uint64_t StreamPlacement::HeardFrame(double now) const {
    const double read = clock_.Valid() ? std::max(0.0, clock_.Predict(now)) : 0.0;
    return std::min(handed_.load(), FrameAt(read));
}

// Quiet for a while, no key being worked: only then is the long queue of
// silence worth writing, and the audio thread left asleep. A change that
// left the mixer idle (a key's volume, its sound still to come) ends the rest
// all the same: seconds of silence rendered then would hold up the sound.
void StreamPlacement::NoteRest(double now, bool worked) {
    if (worked || !Quiet())
        quietSince_ = -1;
    else if (quietSince_ < 0)
        quietSince_ = now;
    resting_ = quietSince_ >= 0 && now - quietSince_ >= kRestAfter;
}

// One query at a time; one unanswered for long marks the server stalled, and
// what was known of its reading is dropped, to be learnt again.
void StreamPlacement::AskTiming(double now) {
    if (asking_) {
        if (!stalled_ && now - askedAt_ > kStallAfter) {
            stalled_ = true;
            FinishRewrite();
            SilenceStale();
            clock_.Reset();
        }
        return;
    }
    askedAt_ = now;
    asking_ = queue_.AskTiming();
}

void StreamPlacement::Answered(double now, const ServerReading& reading) {
    asking_ = false;
    // A question that waited out a stall (seen before the answer came, or
    // only now, when the stream was at rest) took as long as the stall: that
    // says nothing of the trips to come, and the reading learnt before it
    // is outdated.
    const bool waitedOutAStall = stalled_ || now - askedAt_ > kStallAfter;
    if (waitedOutAStall && !stalled_)
        clock_.Reset();
    stalled_ = false;
    if (!reading.ok)
        return;
    // The server read its index just before it stamped the answer; the
    // question took from its asking to that stamp to reach the server (the
    // whole round trip when the clocks are not shared, and it may then have
    // read that much earlier than the answer came).
    double at = now;
    double delay = now - askedAt_;
    double early = delay;
    if (reading.stampedBefore >= 0) {
        at -= reading.stampedBefore;
        delay = std::max(0.0, delay - reading.stampedBefore);
        early = 0;
    }
    if (waitedOutAStall)
        delay = early = 0;
    // A stream at rest asks seldom, and the server may have stalled in the
    // meantime and read on from where it stopped: the first answer after a
    // long while may draw the line again, though a key sounds by now.
    const bool mayLower = Quiet() || at - lastReadAt_ > kStallAfter;
    clock_.Add(reading.readFrame, at, delay, mayLower, early);
    lastRead_ = reading.readFrame;
    lastReadAt_ = at;
    LearnPlacement(now, reading);
}

// The first answer that counts every write since one went where the server
// read tells where the queue ends, and so which mixer frame its position 0
// holds; until then another question follows each answer.
void StreamPlacement::LearnPlacement(double now, const ServerReading& reading) {
    if (!placementPending_)
        return;
    if (!reading.writeKnown || reading.writeFrame < 0) {
        AskTiming(now);
        return;
    }
    shift_.store(static_cast<std::int64_t>(written_) - static_cast<std::int64_t>(reading.writeFrame));
    placementPending_ = false;
    clock_.Landed(static_cast<double>(PositionOf(placedFrame_)), placedSeconds_);
    if (mixer_.HasInput())
        Rewrite(now);
}

// Renders again, with the new input taken, over everything queued that may
// sound. Where only silence lies around the server's read position, the
// change goes exactly there, whatever the server has read by the time it
// arrives. Where the queue sounds, it goes where the server cannot yet have
// read, so that what sounds goes on without a seam, and at a distance from
// the change before it that keeps a tone's length (see kGapKept).
void StreamPlacement::Rewrite(double now) {
    FinishRewrite();
    std::uint64_t at = written_;
    std::uint64_t heldBack = 0;
    Placement placement = Placement::AtPosition;
    // The server told that it had read all that sounds in the queue: a seam
    // where it reads now lies in silence.
    const std::uint64_t soundEnd = std::max(audibleEnd_, playingEnd_);
    const bool heardAll = soundEnd <= FrameAt(lastRead_);
    if (clock_.Valid()) {
        const double reading = clock_.Predict(now);
        const bool silentSeam = heardAll || soundEnd + kSilentSeamFrames <= FrameAt(reading);
        // Over sound, a change needs to know which frame each position holds:
        // while that is being learnt, it waits for the answer.
        if (placementPending_ && !silentSeam)
            return;
        const double unread = clock_.UnreadFrom(now);
        std::uint64_t from = FrameAt(std::ceil(silentSeam ? reading : unread));
        // A change made before the clock's samples began (before a stall)
        // sets no distance: it would carry the stall's lag on.
        if (!silentSeam && changedSeconds_ >= clock_.RunStart()) {
            const double kept = audibleEnd_ >= written_ ? 1.0 : kGapKept;
            from = std::max(from, changedFrame_ + static_cast<std::uint64_t>(
                                                      std::ceil(kept * (now - changedSeconds_) * rate_)));
        }
        at = std::clamp(from, mixer_.InputFrame(), written_);
        placement = silentSeam ? Placement::AtRead : Placement::AtPosition;
        if (silentSeam)
            heldBack = static_cast<std::uint64_t>(std::max(
                0.0,
                std::ceil(clock_.AimCeiling(now) - clock_.TypicalLanding() - kLongerAtMostSeconds * rate_)));
    } else if (heardAll) {
        // Where the server reads is not known yet (the stream has just begun,
        // or the server has just come back), but the seam lies in silence:
        // the change goes where it reads, not after all that is queued.
        placement = Placement::AtRead;
    }
    if (!mixer_.RewindTo(at))
        at = mixer_.Position();
    // Held back only where the mixer plays nothing: a sound it still renders
    // there (one hushed under a stall, rising afresh) would be heard before
    // the change.
    if (mixer_.Playing())
        heldBack = 0;
    changedFrame_ = at + heldBack;
    changedSeconds_ = now;
    const std::uint64_t queuedEnd = std::min(written_, audibleEnd_);
    written_ = at;
    audibleEnd_ = std::min(audibleEnd_, at);
    playingEnd_ = std::min(playingEnd_, at);
    // The seam and what follows it go in one write, and the rest of the
    // queue is owed until the caller has let that write leave (see
    // FinishRewrite): the server then never reads past what it has been given
    // of the change, and the change does not wait for a whole queue to be
    // rendered. The write holds a block, and as much as the server may read
    // while the next write, on a slower trip, is still on its way.
    RenderInto(at + heldBack);
    mixer_.Apply();
    const double trips = clock_.Valid() ? std::ceil(clock_.Delay() * rate_) : 0.0;
    RenderInto(written_ + sizes_.block + static_cast<std::uint64_t>(trips));
    Send(placement);
    owedEnd_ = std::max(written_ + sizes_.ahead, queuedEnd);
    if (placement == Placement::AtRead) {
        placementPending_ = true;
        placedFrame_ = at;
        placedSeconds_ = now;
        AskTiming(now);
    }
}

// Renders and writes what the last change left of the queue: all that was
// queued after its seam, which still holds what sounded before the change.
void StreamPlacement::FinishRewrite() {
    if (written_ < owedEnd_)
        RenderAndWrite(owedEnd_);
    owedEnd_ = 0;
}

// A server that stopped answering has most likely stopped reading too: what
// was queued past its last reading will be stale by its return, when a sink
// that reads on from where it stopped (or reads at once all it missed) would
// play it, though no key holds it then. So all of it is silenced (the rest
// that a change still owes is written first, to be silenced with it); a key
// still held sounds on, rising afresh, from the end of the queue.
void StreamPlacement::SilenceStale() {
    const std::uint64_t from = std::min(FrameAt(lastRead_), written_);
    if (!clock_.Valid() || bufferedFrames_ != 0 || audibleEnd_ <= from)
        return;
    if (written_ - from > buffer_.size() / 2)
        return;
    const auto silent = static_cast<std::size_t>(written_ - from);
    std::fill_n(buffer_.begin(), 2 * silent, std::int16_t{0});
    bufferedFrames_ = silent;
    audibleEnd_ = std::min(audibleEnd_, from);
    playingEnd_ = std::min(playingEnd_, from);
    Send(Placement::AtPosition);
    mixer_.Hush();
    // A write that went where the server read lies under the silence: which
    // frame each position holds is as it was before it.
    placementPending_ = false;
}

// While a question goes unanswered, the queue is kept as full only as it was
// a little after the asking: a server that stopped answering has stopped
// reading, and a sink that catches up on its return would play at once all
// that was queued meanwhile, whatever the key did since.
void StreamPlacement::Refill(double now) {
    if (!clock_.Valid())
        return;
    const double until = asking_ ? std::min(now, askedAt_ + kAnswerAllowance) : now;
    const double read = std::max(0.0, clock_.Predict(until));
    const std::size_t ahead = resting_ ? sizes_.idle : sizes_.ahead;
    const std::uint64_t target = FrameAt(read) + ahead;
    if (written_ < target)
        RenderAndWrite(target);
}

// About every block (see kPeriodStep) while something sounds, a key is being
// worked or the clock is still learning the server; at rest, when half of the
// silence queued has been played.
double StreamPlacement::NextService(double now) const {
    double wait = (0.5 + phase_) * static_cast<double>(sizes_.block) / rate_;
    if (resting_ && clock_.Settled()) {
        const double queued = static_cast<double>(PositionOf(written_)) - clock_.Predict(now);
        wait = std::max(wait, (queued - static_cast<double>(sizes_.idle) / 2.0) / rate_);
    }
    return wait;
}

void StreamPlacement::RenderAndWrite(std::uint64_t end, Placement first) {
    Placement placement = first;
    while (written_ < end) {
        RenderInto(end);
        Send(placement);
        placement = Placement::Append;
    }
}

// Renders after what the buffer holds, up to the mixer frame `end` or until
// the buffer is full.
void StreamPlacement::RenderInto(std::uint64_t end) {
    while (written_ < end && bufferedFrames_ + sizes_.block <= buffer_.size() / 2) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(sizes_.block, end - written_));
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
void StreamPlacement::Send(Placement placement) {
    const std::uint64_t start = written_ - bufferedFrames_;
    const std::size_t frames = bufferedFrames_;
    bufferedFrames_ = 0;
    if (frames == 0)
        return;
    queue_.Write(buffer_.data(), frames, placement, PositionOf(start));
    handed_.store(written_);
}

} // namespace klavet
