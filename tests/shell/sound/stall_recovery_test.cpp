// The key tone after the sound server stalls (it neither reads nor answers,
// as when a laptop suspends or a busy desktop holds it up): within a second
// of the server's return the tone follows the key as it did before, and
// nothing sounds longer than the key was held. Each tone is timed by when the
// recorder received its first frame, against the same measure before the
// stall.

#include "capture_test.h"
#include "sound_output.h"
#include "test_waves.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <iostream>
#include <thread>

namespace klavet::testing {
namespace {

using MonotonicClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kQuiet = 40;
constexpr auto kHeld = 120ms;
constexpr auto kGap = 180ms;
// A tone's ramps make it a few ms longer than the press, the recorder's
// blocks blur its ends.
constexpr double kLengthToleranceMs = 25;
// How much later than before the stall a press may be heard after it: a
// PipeWire graph's period or so.
constexpr double kLaterAtMostMs = 40;
// What the output keeps queued at the server while a tone sounds.
constexpr double kQueuedMs = 300;

double Ms(MonotonicClock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Press {
    MonotonicClock::time_point down, up;
    double HeldMs() const { return Ms(up - down); }
};

// A tone recorded: when its first frame reached the recorder, and how long
// it sounded.
struct Tone {
    MonotonicClock::time_point begin;
    double lengthMs = 0;
};

// How each press was heard: its onset (key down to the tone's first frame
// at the recorder), and how much longer than held it sounded. A press heard
// as anything but one tone of its own counts as missed; one over which the
// server itself ran late counts as nothing.
struct Hearing {
    std::vector<double> onsets, excess;
    std::vector<bool> steady; // whether the machine ran steady up to the release (see SteadyUntil)
    int missed = 0;
    int spoilt = 0;
    double WorstOnset() const { return onsets.empty() ? 0 : *std::max_element(onsets.begin(), onsets.end()); }
};

using Spoilt = std::function<bool(MonotonicClock::time_point, MonotonicClock::time_point)>;
using Steady = std::function<bool(MonotonicClock::time_point)>;

Hearing Hear(const std::vector<Press>& presses, const std::vector<Tone>& tones, const Spoilt& spoilt,
             const Steady& steady) {
    Hearing hearing;
    for (std::size_t i = 0; i < presses.size(); ++i) {
        const auto until = i + 1 < presses.size() ? presses[i + 1].down : presses[i].up + 1s;
        if (spoilt(presses[i].down - 50ms, until)) {
            ++hearing.spoilt;
            continue;
        }
        std::vector<Tone> mine;
        for (const Tone& tone : tones)
            if (tone.begin >= presses[i].down - 5ms && tone.begin < until)
                mine.push_back(tone);
        if (mine.size() != 1) {
            ++hearing.missed;
            continue;
        }
        hearing.onsets.push_back(Ms(mine[0].begin - presses[i].down));
        hearing.excess.push_back(mine[0].lengthMs - presses[i].HeldMs());
        hearing.steady.push_back(steady(presses[i].up));
    }
    return hearing;
}

class StallRecoveryTest : public CaptureTest<StallRecoveryTest> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(OpenOutput());
        server_ = capture_->Server();
        ASSERT_NE(server_, nullptr) << "these cases stall a server";
        // The key tone runs on, silenced, long after each release, as the
        // trainer's does.
        WriteFile(dir_.Path("tok.wav"), WaveBytes(Sine(700, 40, 48000, 0.5), 1, 48000, SampleKind::S16));
        Key(1, kHeld, kGap); // reads the tone's file
    }

    void TearDown() override {
        if (server_)
            server_->Thaw();
    }

    Press KeyDown() {
        Press press;
        press.down = MonotonicClock::now();
        output_->SetWaveVolume(VolumeOn);
        output_->PlaySoundAsync(dir_.Path("tok.wav"));
        return press;
    }
    void KeyUp(Press& press) {
        press.up = MonotonicClock::now();
        output_->SetWaveVolume(VolumeOff);
    }

    std::vector<Press> Key(int count, MonotonicClock::duration held, MonotonicClock::duration gap) {
        std::vector<Press> presses;
        for (int i = 0; i < count; ++i) {
            Press press = KeyDown();
            std::this_thread::sleep_for(held);
            KeyUp(press);
            presses.push_back(press);
            std::this_thread::sleep_for(gap);
        }
        return presses;
    }

    // When frame `frame` of the recording reached the recorder.
    MonotonicClock::time_point ArrivalOf(std::size_t frame) const {
        const auto reads = server_->Recorder().Reads(frame > 48000 ? frame - 48000 : 0, frame + 1);
        MonotonicClock::time_point at{};
        for (const auto& [first, when] : reads)
            if (first <= frame)
                at = when;
        return at;
    }

    // The tones recorded from frame `mark` on.
    std::vector<Tone> TonesFrom(std::size_t mark) const {
        const auto played = server_->Recorder().Samples(mark, server_->Recorder().Frames());
        std::vector<Tone> tones;
        for (const Segment& s : Sounding(played, 0, kQuiet))
            tones.push_back({ArrivalOf(mark + s.begin), static_cast<double>(s.Length()) / 48.0});
        return tones;
    }

    // A round of presses as the learner makes them, heard as they were,
    // after `quiet`. Presses over which the server ran late or the machine
    // stalled tell nothing and are left out.
    Hearing Round(int count, MonotonicClock::duration quiet) {
        std::this_thread::sleep_for(quiet);
        const std::size_t mark = capture_->Frames();
        const auto presses = Key(count, kHeld, kGap);
        std::this_thread::sleep_for(500ms);
        return Hear(
            presses, TonesFrom(mark),
            [this](auto from, auto to) { return capture_->GlitchedBetween(from, to); },
            [this](auto up) { return SteadyUntil(up); });
    }

    // A round judged by `judge`. Where its checks fail on a round that a
    // glitch or a stall of late disturbed, it is made again, six times at
    // most in all, each after a longer quiet (PipeWire's graph may run late
    // for seconds after a stall on a sanitized run, and a busy host may stall
    // every few hundred milliseconds for minutes); what a round with no such
    // disturbance fails, or the last, is reported. Where the last left no
    // press to judge, every one spoilt, the case is skipped and says why:
    // that host let nothing be measured.
    Hearing Presses(int count, const std::function<void(const Hearing&)>& judge) {
        constexpr int kAttempts = 6;
        for (int attempt = 1;; ++attempt) {
            const Hearing round = Round(count, 300ms + (attempt - 1) * 700ms);
            const bool disturbed = round.spoilt > 0 || std::find(round.steady.begin(), round.steady.end(),
                                                                 false) != round.steady.end();
            if (attempt == kAttempts && round.onsets.empty() && round.missed == 0) {
                NotJudged(count);
                return round;
            }
            if (attempt == kAttempts || !disturbed) {
                judge(round);
                return round;
            }
            const std::string failed = FailureOf([&] { judge(round); });
            if (failed.empty())
                return round;
            std::cout
                << "[ recorded again ] a check failed where the server ran late or the machine stalled: "
                << failed << '\n';
        }
    }
    void NotJudged(int count) {
        GTEST_SKIP() << "not judged: the server ran late or the machine stalled over each of " << count
                     << " presses, round after round";
    }
    Hearing PressesBefore() {
        return Presses(6, [](const Hearing& before) {
            EXPECT_EQ(before.missed, 0) << "the presses before the stall are heard";
            EXPECT_FALSE(before.onsets.empty()) << "no press judged, " << before.spoilt << " spoilt";
        });
    }

    // Every press after the stall is heard, none cut short; where the machine
    // ran steady up to it (see SteadyUntil), on time as before the stall and
    // as long as held.
    void ExpectPressesAsBefore(const Hearing& before, const std::string& what) {
        const Hearing after = Presses(8, [&](const Hearing& round) {
            EXPECT_EQ(round.missed, 0) << what;
            EXPECT_FALSE(round.onsets.empty()) << what << ": no press judged, " << round.spoilt << " spoilt";
            for (std::size_t i = 0; i < round.onsets.size(); ++i) {
                EXPECT_GE(round.excess[i], -kLengthToleranceMs) << what << ": a tone cut short";
                if (round.steady[i]) {
                    EXPECT_LE(round.onsets[i], before.WorstOnset() + kLaterAtMostMs) << what;
                    EXPECT_LE(round.excess[i], kLengthToleranceMs) << what;
                }
            }
        });
        std::cout << "[ figure ] " << what << ": worst onset " << after.WorstOnset()
                  << " ms, before the stall " << before.WorstOnset() << " ms; "
                  << std::count(after.steady.begin(), after.steady.end(), true) << " of "
                  << after.onsets.size() << " presses with the machine steady\n";
    }

    SoundServer* server_ = nullptr;
    TempDir dir_;
};

TEST_F(StallRecoveryTest, PressesAfterAStallWithKeyingDuringItAreHeardOnTimeWithinASecond) {
    const Hearing before = PressesBefore();
    if (IsSkipped())
        return;
    for (auto stall : {1s, 5s}) {
        const std::string what = std::to_string(stall.count()) + " s stall";
        std::this_thread::sleep_for(300ms);
        server_->Freeze();
        const std::size_t mark = capture_->Frames();
        std::this_thread::sleep_for(200ms);
        const auto during = Key(2, kHeld, kGap);
        std::this_thread::sleep_for(stall - 800ms);
        server_->Thaw();
        const auto thawed = MonotonicClock::now();
        std::this_thread::sleep_for(1s);
        // What the presses made during the stall may be heard late, but no
        // longer than the key was held; where the sink reads all that was
        // queued before anything sent during the stall can reach it, what
        // was queued then sounds too.
        double heardMs = 0;
        for (const Tone& tone : TonesFrom(mark))
            heardMs += tone.lengthMs;
        const double queued = server_->CatchesUpAfterAStall() ? kQueuedMs : 0;
        EXPECT_LE(heardMs, during[0].HeldMs() + during[1].HeldMs() + queued + kLengthToleranceMs) << what;
        std::cout << "[ figure ] " << what << ": heard " << heardMs << " ms of presses made during it\n";
        ASSERT_LT(MonotonicClock::now() - thawed, 1500ms);
        ExpectPressesAsBefore(before, what);
    }
}

TEST_F(StallRecoveryTest, KeyHeldIntoAStallSoundsNoLongerThanHeldAndPressesAfterAreOnTime) {
    const Hearing before = PressesBefore();
    if (IsSkipped())
        return;
    std::this_thread::sleep_for(300ms);
    const std::size_t mark = capture_->Frames();
    Press press = KeyDown();
    std::this_thread::sleep_for(100ms);
    server_->Freeze();
    const auto frozen = MonotonicClock::now();
    std::this_thread::sleep_for(300ms);
    KeyUp(press);
    std::this_thread::sleep_for(700ms);
    server_->Thaw();
    std::this_thread::sleep_for(1s);
    double heardMs = 0;
    for (const Tone& tone : TonesFrom(mark))
        heardMs += tone.lengthMs;
    // A sink that catches up plays at once what was queued when the server
    // stopped answering: the queue and a little, 50 ms.
    const double caughtUp = server_->CatchesUpAfterAStall() ? Ms(frozen - press.down) + kQueuedMs + 50 : 0;
    EXPECT_LE(heardMs, std::max(press.HeldMs(), caughtUp) + kLengthToleranceMs);
    ExpectPressesAsBefore(before, "a key held into a 1 s stall");
}

TEST_F(StallRecoveryTest, PressesAfterAStallWithNoKeyingAreHeardOnTime) {
    const Hearing before = PressesBefore();
    if (IsSkipped())
        return;
    std::this_thread::sleep_for(300ms);
    server_->Freeze();
    std::this_thread::sleep_for(2s);
    server_->Thaw();
    std::this_thread::sleep_for(1s);
    ExpectPressesAsBefore(before, "a 2 s stall with no keying");
}

} // namespace
} // namespace klavet::testing
