#include "keying_simulation.h"

#include "mixer.h"
#include "sound_operations.h"
#include "stream_placement.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <iterator>
#include <limits>
#include <memory>
#include <tuple>
#include <utility>

namespace klavet::simulation {

namespace {

constexpr int kRate = 48000;
constexpr double kRampSeconds = 0.005;
// A press is kept out of the figures when an edge lies this near a long
// stall: before it, or after the server's return (the second it has to
// come back).
constexpr double kBeforeStall = 0.4;
constexpr double kAfterStall = 1.0;
// A tone heard this long after its key was released was held by no key: the
// queue kept ahead and the allowance for an unanswered question.
constexpr double kStrayAfter = 0.35;
// Each press sounds at a level of its own, one of eight a little apart, so
// that a tone heard tells which press it answers however late it comes.
constexpr std::size_t kLevels = 8;
constexpr double kLevelStep = 1.0 / 24;
// A tone's level is read this many frames in, past its ramp.
constexpr std::size_t kLevelReadAfter = 288;
// How long after a key's volume its tone is started, when the audio thread
// runs between the two.
constexpr double kToneAfterVolume = 0.0001;

std::uint32_t VolumeFor(std::size_t press) {
    const double scale = 1.0 - kLevelStep * static_cast<double>(press % kLevels);
    const auto level = static_cast<std::uint32_t>((VolumeOn & 0xFFFFu) * scale);
    return level | level << 16;
}

struct Press {
    double down = 0, up = 0;
    double downFloor = -1, upFloor = -1; // heard times of the floor frames
    double onset = -1, release = -1;     // heard
    int tones = 0;
    bool measured = true;
};

// Seeded keying: elements of a unit between 8 and 30 words a minute, gaps
// inside and between signs and words, now and then a rest long enough for
// the stream to settle at rest.
class Learner {
public:
    explicit Learner(std::uint32_t seed) : random_(seed) {}
    Press Next(double after) {
        const double unit = Uniform(0.04, 0.15);
        const double element = (Uniform(0, 1) < 0.5 ? 1.0 : 3.0) * unit * Uniform(0.8, 1.2);
        double gap = unit * std::vector<double>{1, 1, 1, 3, 3, 7}[random_() % 6] * Uniform(0.7, 1.3);
        if (Uniform(0, 1) < 0.02)
            gap = Uniform(1.5, 4.0);
        Press press;
        press.down = after + std::max(gap, 0.02);
        press.up = press.down + std::max(element, 0.02);
        return press;
    }
    double Uniform(double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random_);
    }

private:
    std::mt19937 random_;
};

Spread SpreadOf(std::vector<double> values) {
    Spread spread;
    if (values.empty())
        return spread;
    std::sort(values.begin(), values.end());
    const auto at = [&](double q) {
        return 1e3 * values[static_cast<std::size_t>(q * static_cast<double>(values.size() - 1))];
    };
    spread.median = at(0.5);
    spread.p99 = at(0.99);
    spread.worst = at(1.0);
    return spread;
}

// The level of the key tone once its ramp has risen, as the mixer renders it.
int ToneLevel(const std::shared_ptr<const Clip>& clip) {
    MixerSettings settings;
    Mixer mixer(settings);
    SoundRequest request;
    request.clip = clip;
    mixer.SetVolume(VolumeOn);
    (void)mixer.Post(&request);
    mixer.Apply();
    std::vector<std::int16_t> out(2 * 2400);
    mixer.Render(out.data(), 2400);
    return std::abs(out.back());
}

class Keying {
public:
    explicit Keying(const KeyingRun& run)
        : run_(run), clip_(MakeClip()), level_(ToneLevel(clip_)), learner_(run.seed),
          server_(run.shape, run.seed * 7919u + 1u, kRate,
                  [this](std::int64_t position, double heard, std::int16_t sample, bool written) {
                      Hear(position, heard, sample, written);
                  }),
          mixer_(Settings()), placement_(mixer_, server_, QueueSizes{}) {
        // An answer that comes while the client renders waits for it.
        server_.SetAnswerSink([this](double at, const ServerReading& reading) {
            const double handled = std::max(at, busyUntil_);
            server_.SetNow(handled);
            placement_.Answered(handled, reading);
            busyUntil_ = server_.Send();
            if (placement_.RenderOwed())
                nextService_ = busyUntil_;
        });
    }

    KeyingFigures Run();

private:
    static MixerSettings Settings() {
        MixerSettings settings;
        settings.rate = kRate;
        settings.rampSeconds = kRampSeconds;
        return settings;
    }
    static std::shared_ptr<const Clip> MakeClip() {
        auto clip = std::make_shared<Clip>();
        clip->samples.assign(static_cast<std::size_t>(30 * kRate), 0.5f);
        return clip;
    }
    void PlanStalls(double end);
    void Edge(Press& press, bool down);
    void StartTone();
    void Hear(std::int64_t position, double heard, std::int16_t sample, bool written);
    void Answer(std::size_t code);
    bool NearLongStall(double at) const;
    bool HeldUp(const Press& press) const;
    KeyingFigures Figures() const;

    const KeyingRun run_;
    const std::shared_ptr<const Clip> clip_;
    const int level_; // at the full volume
    Learner learner_;
    SimulatedServer server_;
    Mixer mixer_;
    StreamPlacement placement_;
    std::deque<std::unique_ptr<SoundRequest>> requests_;
    std::vector<Press> presses_;
    std::vector<Stall> longStalls_;
    std::vector<Stall> shortStalls_; // a busy machine: they hold a press up
    // Floors waiting for their frame to be heard: press, whether the release.
    std::deque<std::tuple<std::int64_t, std::size_t, bool>> floors_;
    double toneDue_ = std::numeric_limits<double>::infinity(); // a tone to start then
    double nextService_ = 0;                                   // when the placement is to be served next
    double busyUntil_ = 0;                                     // when the client's last call returned
    bool sounding_ = false;
    double toneAt_ = 0;              // when the tone heard last began
    std::size_t loudFrames_ = 0;     // of it, so far
    std::size_t next_ = 0;           // the first press no tone answered
    std::size_t current_ = SIZE_MAX; // the press the latest tone answered
    KeyingFigures figures_;
};

void Keying::PlanStalls(double end) {
    Learner plan(run_.seed ^ 0x5eedu);
    for (double at = 1.0 + plan.Uniform(0, 3); run_.busyMachine && at < end; at += plan.Uniform(2, 8)) {
        const Stall stall{at, plan.Uniform(0.01, 0.15)};
        server_.AddStall(stall);
        shortStalls_.push_back(stall);
    }
    if (run_.stallEvery == 0)
        return;
    const double every = static_cast<double>(run_.stallEvery) * 0.3;
    for (double at = every * plan.Uniform(0.5, 1.5); at < end; at += every * plan.Uniform(0.5, 1.5)) {
        Stall stall{at, plan.Uniform(1.0, 5.0)};
        server_.AddStall(stall);
        // A short stall that overlaps it makes one stall of the two, at the
        // server as here.
        for (const Stall& s : shortStalls_)
            if (s.start <= stall.start + stall.length && s.start + s.length >= stall.start) {
                const double end = std::max(stall.start + stall.length, s.start + s.length);
                stall.start = std::min(stall.start, s.start);
                stall.length = end - stall.start;
            }
        longStalls_.push_back(stall);
        at += stall.length;
    }
}

bool Keying::NearLongStall(double at) const {
    return std::any_of(longStalls_.begin(), longStalls_.end(), [&](const Stall& s) {
        return at >= s.start - kBeforeStall && at < s.start + s.length + kAfterStall;
    });
}

// A short stall during a press, or just after it, holds up what is heard
// of it by as much, and a server that does not catch up reads behind for a
// while after one: such presses, up to the second after the stall, say
// nothing of the placement's steady figures.
bool Keying::HeldUp(const Press& press) const {
    const auto after = std::upper_bound(shortStalls_.begin(), shortStalls_.end(), press.up + 0.1,
                                        [](double t, const Stall& s) { return t < s.start; });
    return after != shortStalls_.begin() &&
           std::prev(after)->start + std::prev(after)->length + kAfterStall > press.down - 0.05;
}

void Keying::Edge(Press& press, bool down) {
    floors_.emplace_back(server_.Floor(), static_cast<std::size_t>(&press - presses_.data()), !down);
    if (!down) {
        mixer_.SetVolume(VolumeOff);
        return;
    }
    mixer_.SetVolume(VolumeFor(presses_.size() - 1));
    // The trainer sets the volume, then starts the tone: every other press,
    // the audio thread runs between the two.
    if (presses_.size() % 2 == 0)
        toneDue_ = server_.Now() + kToneAfterVolume;
    else
        StartTone();
}

void Keying::StartTone() {
    toneDue_ = std::numeric_limits<double>::infinity();
    std::erase_if(requests_, [](const auto& r) { return r->released.load(); });
    auto request = std::make_unique<SoundRequest>();
    request->clip = clip_;
    if (mixer_.Post(request.get()) != request.get())
        requests_.push_back(std::move(request));
}

void Keying::Hear(std::int64_t position, double heard, std::int16_t sample, bool written) {
    while (!floors_.empty() && std::get<0>(floors_.front()) <= position) {
        const auto [frame, index, release] = floors_.front();
        (release ? presses_[index].upFloor : presses_[index].downFloor) = heard;
        floors_.pop_front();
    }
    if (!written)
        ++(NearLongStall(heard) ? figures_.gapsInStalls : figures_.gaps);
    // A tone sounds from the frame its ramp begins at to the end of the
    // ramp that follows its release.
    const bool loud = sample != 0;
    const double at = loud ? heard : heard - kRampSeconds;
    if (loud && sounding_ && ++loudFrames_ == kLevelReadAfter)
        Answer(static_cast<std::size_t>(
            std::lround((1.0 - std::abs(sample) / static_cast<double>(level_)) / kLevelStep)));
    if (loud == sounding_)
        return;
    sounding_ = loud;
    if (loud) {
        toneAt_ = at;
        loudFrames_ = 0;
    } else if (loudFrames_ < kLevelReadAfter) {
        ++figures_.split; // a scrap of a tone, too short to be one
    } else if (current_ < presses_.size() && presses_[current_].release < 0) {
        presses_[current_].release = at;
    }
}

// A tone of the level `code` began at toneAt_: the first press of that
// level not yet heard, pressed before it, is the one it answers; if there is
// none, it is the latest press heard, split, or a tone no key held.
void Keying::Answer(std::size_t code) {
    const auto late = [&](const Press& p) { return toneAt_ > p.up + kStrayAfter; };
    while (next_ < presses_.size() && (presses_[next_].tones > 0 || late(presses_[next_])))
        ++next_;
    for (std::size_t k = next_; k < presses_.size() && presses_[k].down <= toneAt_; ++k) {
        if (k % kLevels != code || presses_[k].tones > 0 || late(presses_[k]))
            continue;
        current_ = k;
        presses_[k].onset = toneAt_;
        presses_[k].tones = 1;
        return;
    }
    if (current_ < presses_.size() && current_ % kLevels == code && !late(presses_[current_])) {
        ++presses_[current_].tones;
        presses_[current_].release = -1;
        return;
    }
    ++figures_.stray;
    current_ = SIZE_MAX;
}

KeyingFigures Keying::Run() {
    presses_.reserve(run_.presses);
    double t = 0;
    double last = 0.5;
    std::vector<Press> plan;
    for (std::size_t i = 0; i < run_.presses; ++i) {
        plan.push_back(learner_.Next(last));
        last = plan.back().up;
    }
    PlanStalls(last);
    server_.SetNow(0);
    placement_.Begin();
    nextService_ = busyUntil_ = server_.Send();
    std::size_t pressed = 0;
    bool down = false;
    const double end = last + 2.0;
    while (t < end) {
        const double edge = pressed < plan.size() ? (down ? plan[pressed].up : plan[pressed].down)
                                                  : std::numeric_limits<double>::infinity();
        t = std::min({nextService_, edge, toneDue_, server_.NextEvent(), end});
        server_.RunUntil(t);
        server_.SetNow(t);
        if (t == toneDue_) {
            StartTone();
            nextService_ = std::max(t, busyUntil_);
        }
        if (t == edge) {
            if (!down)
                presses_.push_back(plan[pressed]);
            Edge(presses_.back(), !down);
            down = !down;
            pressed += down ? 0 : 1;
            nextService_ = std::max(t, busyUntil_);
        }
        if (t >= nextService_) {
            const double wait = placement_.Service(t);
            busyUntil_ = server_.Send();
            nextService_ = busyUntil_ + wait;
        }
    }
    return Figures();
}

KeyingFigures Keying::Figures() const {
    KeyingFigures f = figures_;
    f.presses = presses_.size();
    f.stalls = longStalls_.size();
    for (double at : server_.Overtaken())
        ++(NearLongStall(at) ? f.overtakenInStalls : f.overtaken);
    std::vector<double> onset, onsetFloor, release, releaseFloor, onsetOver, releaseOver, length, gap;
    const Press* kept = nullptr; // the press before, when it was kept
    for (const Press& p : presses_) {
        const Press* before = std::exchange(kept, nullptr);
        if (NearLongStall(p.down) || NearLongStall(p.up))
            continue;
        if (HeldUp(p)) {
            ++f.heldUp;
            continue;
        }
        ++f.measured;
        f.split += p.tones > 1 ? 1 : 0;
        if (p.onset < 0 || p.release < 0 || p.downFloor < 0 || p.upFloor < 0) {
            ++f.unheard;
            continue;
        }
        onset.push_back(p.onset - p.down);
        onsetFloor.push_back(p.downFloor - p.down);
        onsetOver.push_back(p.onset - p.downFloor);
        release.push_back(p.release - p.up);
        releaseFloor.push_back(p.upFloor - p.up);
        releaseOver.push_back(p.release - p.upFloor);
        length.push_back(std::abs((p.release - p.onset) - (p.up - p.down)));
        if (before != nullptr)
            gap.push_back(std::abs((p.onset - before->release) - (p.down - before->up)));
        kept = &p;
    }
    f.onset = SpreadOf(onset);
    f.onsetFloor = SpreadOf(onsetFloor);
    f.onsetOver = SpreadOf(onsetOver);
    f.release = SpreadOf(release);
    f.releaseFloor = SpreadOf(releaseFloor);
    f.releaseOver = SpreadOf(releaseOver);
    f.lengthError = SpreadOf(length);
    f.gapError = SpreadOf(gap);
    return f;
}

} // namespace

KeyingFigures RunKeying(const KeyingRun& run) {
    return Keying(run).Run();
}

std::vector<ServerShape> ServerShapes() {
    std::vector<ServerShape> shapes;
    // A plain build renders the whole queue in about a third of a
    // millisecond; a sanitized one, or a client on a slow machine, in a few.
    constexpr double kFrameCost = 20e-9;
    ServerShape pipe;
    pipe.name = "pulse pipe sink";
    pipe.clientFrameCost = kFrameCost;
    pipe.block = 1024;
    pipe.catchesUp = true;
    shapes.push_back(pipe);
    ServerShape null = pipe;
    null.name = "pulse null sink";
    null.block = 480;
    shapes.push_back(null);
    ServerShape graph;
    graph.name = "pipewire, quantum 256";
    graph.clientFrameCost = kFrameCost;
    graph.block = 256;
    graph.tripMin = 0.0002;
    graph.tripMax = 0.002;
    graph.lateChance = 0.02;
    graph.lateMax = 0.006;
    shapes.push_back(graph);
    ServerShape big = graph;
    big.name = "pipewire, quantum 1024";
    big.block = 1024;
    shapes.push_back(big);
    ServerShape slow = graph;
    slow.name = "slow trips and client";
    slow.tripMin = 0.002;
    slow.tripMax = 0.01;
    slow.lateChance = 0.05;
    slow.lateMax = 0.01;
    slow.sharedClock = false;
    slow.clientFrameCost = 5 * kFrameCost;
    shapes.push_back(slow);
    ServerShape card;
    card.name = "sound card, rewinds";
    card.clientFrameCost = kFrameCost;
    card.rewinds = true;
    card.block = 480;
    card.readAhead = 2400;
    card.safeguard = 64;
    shapes.push_back(card);
    return shapes;
}

} // namespace klavet::simulation
