#include "simulated_server.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace klavet::simulation {

namespace {

constexpr std::int32_t kNever = std::numeric_limits<std::int32_t>::min();
// Frames the queue holds by position: more than a stream keeps ahead at rest.
constexpr std::size_t kRing = std::size_t{1} << 20;

std::size_t Slot(std::int64_t position) {
    return static_cast<std::size_t>(position) % kRing;
}

} // namespace

SimulatedServer::SimulatedServer(const ServerShape& shape, std::uint32_t seed, int rate, Listener listener)
    : shape_(shape), rate_(rate), random_(seed), listener_(std::move(listener)), queue_(kRing, kNever),
      heardRing_(kRing, 0) {
}

double SimulatedServer::Trip() {
    return std::uniform_real_distribution<double>(shape_.tripMin, shape_.tripMax)(random_);
}

void SimulatedServer::AddStall(const Stall& stall) {
    stalls_.push_back(stall);
    std::sort(stalls_.begin(), stalls_.end(),
              [](const Stall& a, const Stall& b) { return a.start < b.start; });
    std::vector<Stall> joined;
    for (const Stall& s : stalls_) {
        if (!joined.empty() && s.start <= joined.back().start + joined.back().length)
            joined.back().length = std::max(joined.back().length, s.start + s.length - joined.back().start);
        else
            joined.push_back(s);
    }
    stalls_ = std::move(joined);
    stalledBefore_.assign(1, 0.0);
    for (const Stall& s : stalls_)
        stalledBefore_.push_back(stalledBefore_.back() + s.length);
}

// The stall that began last by `at`, or the end.
static std::size_t LastStartedBy(const std::vector<Stall>& stalls, double at) {
    const auto after = std::upper_bound(stalls.begin(), stalls.end(), at,
                                        [](double t, const Stall& s) { return t < s.start; });
    return after == stalls.begin() ? stalls.size() : static_cast<std::size_t>(after - stalls.begin() - 1);
}

bool SimulatedServer::Stalled(double at) const {
    const std::size_t k = LastStartedBy(stalls_, at);
    return k < stalls_.size() && at < stalls_[k].start + stalls_[k].length;
}

// The end of the stall that `at` falls in, or `at` itself.
double SimulatedServer::StallEnd(double at) const {
    return Stalled(at)
               ? stalls_[LastStartedBy(stalls_, at)].start + stalls_[LastStartedBy(stalls_, at)].length
               : at;
}

void SimulatedServer::Write(const std::int16_t* frames, std::size_t count, Placement placement,
                            std::int64_t position) {
    Message message;
    message.placement = placement;
    message.position = position;
    message.frames.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        message.frames[i] = frames[2 * i];
    outgoing_.push_back(std::move(message));
    outgoingFrames_ += count;
    if (placement == Placement::AtRead)
        since_.atRead = true;
    else if (placement == Placement::AtPosition)
        since_ = {since_.atRead, true, position};
    since_.position += static_cast<std::int64_t>(count);
}

bool SimulatedServer::AskTiming() {
    since_ = {};
    Message message;
    message.question = true;
    outgoing_.push_back(std::move(message));
    return true;
}

double SimulatedServer::Send() {
    const double leaves = now_ + shape_.clientFrameCost * static_cast<double>(outgoingFrames_);
    for (Message& message : outgoing_) {
        message.arrives = lastArrival_ = std::max(lastArrival_, leaves + Trip());
        messages_.push_back(std::move(message));
    }
    outgoing_.clear();
    outgoingFrames_ = 0;
    return leaves;
}

// A rewinding sink plays by the clock from its origin, and holds still in
// a stall.
std::int64_t SimulatedServer::PlayedBy(double at) const {
    if (!started_ || at <= origin_)
        return 0;
    // Seconds of stall between the origin and `at`.
    const auto stalledBy = [&](double t) {
        const std::size_t k = LastStartedBy(stalls_, t);
        return k == stalls_.size() ? 0.0
                                   : stalledBefore_[k] + std::min(t - stalls_[k].start, stalls_[k].length);
    };
    const double lost = stalledBy(at) - stalledBy(origin_);
    return static_cast<std::int64_t>(std::floor((at - origin_ - lost) * rate_));
}

double SimulatedServer::NextCycle() const {
    if (!started_)
        return std::numeric_limits<double>::infinity();
    const double due = origin_ + stallLoss_ +
                       static_cast<double>(cycle_ * static_cast<std::int64_t>(shape_.block)) / rate_ + late_;
    return StallEnd(due);
}

double SimulatedServer::NextEvent() const {
    double next = NextCycle();
    if (!messages_.empty())
        next = std::min(next, StallEnd(messages_.front().arrives));
    if (!answers_.empty())
        next = std::min(next, answers_.front().arrives);
    return next;
}

void SimulatedServer::RunUntil(double until) {
    for (;;) {
        const double cycle = NextCycle();
        const double message = messages_.empty() ? cycle + 1 : StallEnd(messages_.front().arrives);
        const double answer = answers_.empty() ? cycle + 1 : answers_.front().arrives;
        const double next = std::min({cycle, message, answer});
        if (next > until)
            break;
        serverTime_ = next;
        if (shape_.rewinds && started_)
            CommitTo(PlayedBy(next) + static_cast<std::int64_t>(shape_.safeguard), next);
        if (answer == next) {
            const Reply a = answers_.front();
            answers_.pop_front();
            ServerReading reading = a.reading;
            reading.writeKnown = !since_.atRead;
            reading.writeFrame =
                static_cast<double>((since_.absolute ? 0 : a.reading.writeFrame) + since_.position);
            if (answerSink_)
                answerSink_(a.arrives, reading);
        } else if (message == next) {
            const Message m = std::move(messages_.front());
            messages_.pop_front();
            if (!started_) {
                started_ = true;
                origin_ = next + std::uniform_real_distribution<double>(0, shape_.startLateMax)(random_);
            }
            Apply(m);
        } else {
            ReadCycle();
        }
    }
    if (shape_.rewinds && started_)
        CommitTo(PlayedBy(until) + static_cast<std::int64_t>(shape_.safeguard), until);
}

void SimulatedServer::Apply(const Message& message) {
    if (message.question) {
        Answer(serverTime_);
        return;
    }
    std::int64_t start = writeIndex_;
    if (message.placement == Placement::AtRead)
        start = readIndex_;
    else if (message.placement == Placement::AtPosition)
        start = message.position;
    const auto count = static_cast<std::int64_t>(message.frames.size());
    if (shape_.rewinds && start < readIndex_)
        readIndex_ = std::max(start, committed_);
    // What the reader has passed is heard as it was: a write that differs
    // there came too late.
    bool late = false;
    for (std::int64_t p = start; p < std::min(start + count, committed_); ++p)
        late = late || (committed_ - p <= static_cast<std::int64_t>(kRing) &&
                        heardRing_[Slot(p)] != message.frames[static_cast<std::size_t>(p - start)]);
    if (late)
        overtaken_.push_back(serverTime_);
    for (std::int64_t p = std::max(start, committed_); p < start + count; ++p)
        if (p < committed_ + static_cast<std::int64_t>(kRing))
            queue_[Slot(p)] = message.frames[static_cast<std::size_t>(p - start)];
    writeIndex_ = start + count;
}

// The server reads its index and stamps its answer as the question comes.
void SimulatedServer::Answer(double at) {
    struct Reply answer;
    const double trip = Trip();
    answer.arrives = at + trip;
    answer.reading.ok = true;
    answer.reading.readFrame = static_cast<double>(readIndex_);
    answer.reading.writeKnown = true;
    answer.reading.writeFrame = static_cast<double>(writeIndex_);
    answer.reading.stampedBefore = shape_.sharedClock ? trip : -1;
    answers_.push_back(answer);
}

void SimulatedServer::ReadCycle() {
    const double at = serverTime_;
    const double nominal =
        origin_ + stallLoss_ + static_cast<double>(cycle_ * static_cast<std::int64_t>(shape_.block)) / rate_;
    // A sink that does not catch up reads on from where the stall held it.
    if (!shape_.catchesUp && at > nominal + late_ + 1e-9)
        stallLoss_ += at - (nominal + late_);
    ++cycle_;
    late_ = std::bernoulli_distribution(shape_.lateChance)(random_)
                ? std::uniform_real_distribution<double>(0, shape_.lateMax)(random_)
                : 0.0;
    if (shape_.rewinds) {
        const auto block = static_cast<std::int64_t>(shape_.block);
        const std::int64_t want = PlayedBy(at) + static_cast<std::int64_t>(shape_.readAhead);
        readIndex_ = std::max(readIndex_, (want + block - 1) / block * block);
        return;
    }
    readIndex_ += static_cast<std::int64_t>(shape_.block);
    CommitTo(readIndex_, at);
}

void SimulatedServer::CommitTo(std::int64_t end, double readAt) {
    for (std::int64_t p = committed_; p < end; ++p) {
        const std::size_t slot = Slot(p);
        const bool written = queue_[slot] != kNever;
        const auto sample = static_cast<std::int16_t>(written ? queue_[slot] : 0);
        heardRing_[slot] = sample;
        queue_[slot] = kNever;
        // Played by the clock, behind a device buffer that covers a late
        // cycle; what a sink read late, catching up, is played once read.
        double heard =
            std::max(readAt, origin_ + stallLoss_ + shape_.lateMax + static_cast<double>(p) / rate_);
        if (shape_.rewinds)
            heard =
                readAt + static_cast<double>(p - end + static_cast<std::int64_t>(shape_.safeguard)) / rate_;
        listener_(p, heard, sample, written);
    }
    committed_ = std::max(committed_, end);
}

} // namespace klavet::simulation
