#pragma once

// Where each change of the mixer lands in a sound server's queue: how far
// ahead of the server's reading it is aimed, when it may go where the server
// reads, how full the queue is kept, and when to look again. It is told the
// time and the server's answers, and writes through a small port; it has no
// server, thread or clock of its own. The pulse device carries its decisions
// to libpulse; the tests carry them to a simulated server.

#include "mixer.h"
#include "read_clock.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace klavet {

// Where a write goes in the server's queue.
enum class Placement {
    Append,     // after what was written last
    AtRead,     // at the server's read position, as it finds it
    AtPosition, // at the given position of the queue
};

// The server's queue, as the placement uses it. Positions count frames from
// the stream's start.
class ServerQueue {
public:
    virtual ~ServerQueue() = default;
    // Hands `count` interleaved stereo frames over; `position` serves
    // Placement::AtPosition only.
    virtual void Write(const std::int16_t* frames, std::size_t count, Placement placement,
                       std::int64_t position) = 0;
    // Asks where the server reads; the answer comes to Answered(). False
    // when the question could not be sent.
    virtual bool AskTiming() = 0;
};

// A server's answer to AskTiming().
struct ServerReading {
    bool ok = false;         // false: the server could not tell
    double readFrame = 0;    // where it read
    bool writeKnown = false; // whether writeFrame counts every write so far
    double writeFrame = 0;   // where the queue ends
    // How long before the answer arrived the server stamped it, when the
    // clocks are shared; negative when not known.
    double stampedBefore = -1;
};

// Sizes of the server's stream, in frames.
struct QueueSizes {
    // Kept rendered ahead of the server's reading while something sounds.
    std::size_t ahead = 14400;
    // One render, and the refill period while something sounds.
    std::size_t block = 480;
    // Silence kept queued at rest, refilled when half of it is played: no
    // more than the mixer keeps of its blocks, so that a change still
    // renders again from the server's read position.
    std::size_t idle = 288000;
};

class StreamPlacement {
public:
    StreamPlacement(Mixer& mixer, ServerQueue& queue, const QueueSizes& sizes);

    // Audio thread, `now` in seconds of a monotonic clock. Begin fills the
    // queue of a stream just opened, before the server plays it.
    void Begin();
    // Asks where the server reads, and writes what changed and what the
    // queue lacks; returns the seconds until it should be called again: 0
    // when a change was written, once its first write has left.
    double Service(double now);
    // After an answer too, a change may have been written: then Service()
    // is owed as soon as its first write has left.
    void Answered(double now, const ServerReading& reading);
    bool RenderOwed() const { return written_ < owedEnd_; }
    // The question asked last was dropped with its stream.
    void Forget() { asking_ = false; }

    // Any thread: the mixer frame the server may have read by `now`, at most
    // the end of what was handed over; frames past the server's reading that
    // a change is aimed at, of late.
    std::uint64_t HeardFrame(double now) const;
    std::uint32_t Aim() const { return aim_.load(); }

private:
    void AskTiming(double now);
    void Rewrite(double now);
    void FinishRewrite();
    void SilenceStale();
    void NoteRest(double now, bool worked);
    void Refill(double now);
    double NextService(double now) const;
    void RenderAndWrite(std::uint64_t end, Placement first = Placement::Append);
    void RenderInto(std::uint64_t end);
    void Send(Placement placement);
    void LearnPlacement(double now, const ServerReading& reading);
    // The mixer frame at a position of the server's queue (in frames), and
    // back.
    std::uint64_t FrameAt(double position) const;
    std::int64_t PositionOf(std::uint64_t frame) const {
        return static_cast<std::int64_t>(frame) - shift_.load();
    }
    bool Quiet() const { return mixer_.Idle() && written_ >= audibleEnd_; }

    Mixer& mixer_;
    ServerQueue& queue_;
    const QueueSizes sizes_;
    const double rate_;
    ReadClock clock_;
    std::vector<std::int16_t> buffer_;
    std::size_t bufferedFrames_ = 0;

    bool asking_ = false;
    double askedAt_ = 0;
    double lastRead_ = 0;    // where the server read, as it answered last
    double lastReadAt_ = 0;  // and when
    double quietSince_ = -1; // negative: not quiet
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
    // Where the period between services stands in its sweep, in [0, 1).
    double phase_ = 0;

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
    // The end of what the last change left to render (see FinishRewrite).
    std::uint64_t owedEnd_ = 0;
};

} // namespace klavet
