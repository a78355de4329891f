#pragma once

// A sound server in virtual time, for proving where the stream placement
// puts each change: a reader that takes the queue in blocks (a pulse sink) or
// quanta (a graph), or plays it by the clock and takes back what it has not
// played yet (a sink that rewinds), with late cycles, stalls, an irregular
// start and messages that take trips of their own, sent as the client's call
// returns, once it has rendered what it wrote. Seeded: one seed, one run.
// It records what is heard, frame by frame; it judges nothing.

#include "stream_placement.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace klavet::simulation {

struct ServerShape {
    std::string name;
    std::size_t block = 256;   // frames read at a time
    bool rewinds = false;      // reads ahead and takes back what it has not played
    std::size_t readAhead = 0; // a rewinding sink: frames read ahead of its playing
    std::size_t safeguard = 0; // a rewinding sink: frames past its playing it cannot take back
    bool catchesUp = false;    // after a stall, reads at once all it missed
    double tripMin = 0.0001;   // seconds, each way
    double tripMax = 0.001;
    double lateChance = 0.01; // a cycle late, by up to lateMax seconds
    double lateMax = 0.004;
    double startLateMax = 0.05; // begins reading up to this late after its first answer
    bool sharedClock = true;    // answers carry the server's time stamp
    // Seconds the client takes to render a frame: what it writes and asks
    // in a call leaves only when the call returns, as libpulse sends it.
    double clientFrameCost = 0;
};

// A stall: from `start`, for `length` seconds, the server neither reads nor
// answers.
struct Stall {
    double start = 0;
    double length = 0;
};

class SimulatedServer final : public ServerQueue {
public:
    // Called for every frame as it is heard: its position in the queue, the
    // time it is heard, its left sample, and whether it was ever written.
    using Listener =
        std::function<void(std::int64_t position, double heard, std::int16_t sample, bool written)>;

    SimulatedServer(const ServerShape& shape, std::uint32_t seed, int rate, Listener listener);

    // Stalls are told before the run starts, in any order; overlapping ones
    // join.
    void AddStall(const Stall& stall);
    // The client's clock: writes and questions leave at this time.
    void SetNow(double now) { now_ = now; }
    double Now() const { return now_; }
    // The placement's answers are handed to this when they arrive.
    void SetAnswerSink(std::function<void(double, const ServerReading&)> sink) {
        answerSink_ = std::move(sink);
    }

    // ServerQueue, called by the placement at the client's time.
    void Write(const std::int16_t* frames, std::size_t count, Placement placement,
               std::int64_t position) override;
    bool AskTiming() override;
    // Sends what the client wrote and asked since the last call, as the
    // client's call returns, once it has rendered what it wrote; returns
    // when that is.
    double Send();

    // The next time something happens at the server or comes back from it.
    double NextEvent() const;
    // Runs everything due by `until`.
    void RunUntil(double until);

    // The first frame it could not yet have heard differently by `at`: what
    // it had not read, or could still take back.
    std::int64_t Floor() const { return committed_; }
    // When writes came too late for part of what they held, where that part
    // differed from what was heard.
    const std::vector<double>& Overtaken() const { return overtaken_; }

private:
    struct Message {
        double arrives = 0;
        bool question = false;
        Placement placement = Placement::Append;
        std::int64_t position = 0;
        std::vector<std::int16_t> frames; // left channel
    };
    struct Reply {
        double arrives = 0;
        ServerReading reading;
    };

    double Trip();
    bool Stalled(double at) const;
    double StallEnd(double at) const;
    void Apply(const Message& message);
    void Answer(double at);
    void ReadCycle();
    void CommitTo(std::int64_t end, double readAt);
    double NextCycle() const;
    std::int64_t PlayedBy(double at) const;

    const ServerShape shape_;
    const int rate_;
    std::mt19937 random_;
    Listener listener_;
    std::function<void(double, const ServerReading&)> answerSink_;
    std::vector<Stall> stalls_;         // by start, apart from one another
    std::vector<double> stalledBefore_; // seconds of stall before each

    // What the client knows of the writes it sent after its question: as
    // libpulse does, it counts them into the answer's write index, which it
    // cannot know after one that went where the server read.
    struct SinceQuestion {
        bool atRead = false;
        bool absolute = false;
        std::int64_t position = 0;
    };
    SinceQuestion since_;

    double now_ = 0;
    double serverTime_ = 0;
    std::deque<Message> messages_;
    std::vector<Message> outgoing_; // written or asked, not yet sent
    std::size_t outgoingFrames_ = 0;
    std::deque<Reply> answers_;
    double lastArrival_ = 0;

    // The queue: a ring of samples by position; kNever where none was written.
    std::vector<std::int32_t> queue_;
    std::vector<std::int16_t> heardRing_;
    std::int64_t readIndex_ = 0;
    std::int64_t writeIndex_ = 0;
    std::int64_t committed_ = 0;

    bool started_ = false;
    double origin_ = 0;      // when cycle 0 was due, or the playing began
    std::int64_t cycle_ = 0; // the next block cycle
    double late_ = 0;        // how late the next cycle runs
    double stallLoss_ = 0;   // seconds of stalls a sink that does not catch up lost
    std::vector<double> overtaken_;
};

} // namespace klavet::simulation
