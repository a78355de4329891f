#pragma once

// A test suite whose cases hear the sound output through one capture for
// the whole suite (see sound_capture.h): started before its first case,
// stopped after its last. Each case opens an output of its own, records
// what it plays, and may ask where the server or the machine glitched in
// that recording, to tell such a glitch from a flaw of the output's.

#include "sound_capture.h"
#include "sound_measures.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <iomanip>
#include <iostream>
#include <limits>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>

namespace klavet::testing {

template <typename Suite> class CaptureTest : public ::testing::Test {
protected:
    using MonotonicClock = std::chrono::steady_clock;

    static void SetUpTestSuite() { capture_ = Capture::ForThisRun().release(); }
    static void TearDownTestSuite() {
        delete capture_;
        capture_ = nullptr;
    }

    // Opens `output_` once it streams; fails the case if the capture or the
    // device is not there.
    void OpenOutput() {
        ASSERT_TRUE(capture_->Ready()) << "the private sound server did not start";
        output_ = capture_->StreamingOutput();
        ASSERT_NE(output_, nullptr) << "no device opened";
    }

    using Samples = std::vector<std::int16_t>;

    // Runs `actions` after `quiet` of quiet, lets their sound come out, and
    // checks what was played from the first call on with `judge`. Where the
    // checks fail on a recording over which the server or the machine
    // glitched, that glitch may be the cause: it is made again, `attempts`
    // times at most in all, each time after a longer quiet (a busy machine
    // holds a server up for a while). What a recording with no glitch fails,
    // or the last one, is reported; the helpers below tell where it glitched.
    void RecordAndJudge(const std::function<void()>& actions,
                        const std::function<void(const Samples&)>& judge,
                        MonotonicClock::duration quiet = std::chrono::milliseconds(100), int attempts = 8) {
        using namespace std::chrono_literals;
        for (int attempt = 1;; ++attempt) {
            std::this_thread::sleep_for(quiet + (attempt - 1) * 250ms);
            const auto start = MonotonicClock::now();
            mark_ = capture_->Frames();
            actions();
            std::this_thread::sleep_for(300ms);
            const Samples played = capture_->Samples(mark_, capture_->Frames());
            if (attempt >= attempts || !capture_->GlitchedBetween(start - 50ms, MonotonicClock::now())) {
                judge(played);
                return;
            }
            const std::string failed = FailureOf([&] { judge(played); });
            if (failed.empty())
                return;
            std::cout
                << "[ recorded again ] a check failed where the server ran late or the machine stalled: "
                << failed << '\n';
        }
    }

    // The first failure of `checks`, told in a line, or nothing if they
    // pass; none is reported.
    static std::string FailureOf(const std::function<void()>& checks) {
        ::testing::TestPartResultArray results;
        {
            const ::testing::ScopedFakeTestPartResultReporter quietly(
                ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &results);
            checks();
        }
        for (int i = 0; i < results.size(); ++i) {
            const auto& result = results.GetTestPartResult(i);
            if (!result.failed())
                continue;
            std::string line = result.message();
            std::replace(line.begin(), line.end(), '\n', ' ');
            return line.substr(0, 240);
        }
        return {};
    }

    // The time around which frames `begin` to `end` of the last recording
    // were played, where the capture knows it: a glitch of the server or the
    // machine then may show in them.
    std::optional<std::pair<MonotonicClock::time_point, MonotonicClock::time_point>>
    Around(std::size_t begin, std::size_t end) const {
        using namespace std::chrono_literals;
        const auto from = capture_->HeardAt(mark_ + begin);
        const auto to = capture_->HeardAt(mark_ + end);
        if (!from || !to)
            return std::nullopt;
        return std::pair{*from - 60ms, *to + 30ms};
    }
    // Whether a glitch not of the output's making came about then: a flaw
    // there may be that glitch.
    bool GlitchWithin(std::size_t begin, std::size_t end) const {
        const auto around = Around(begin, end);
        return around && capture_->GlitchedBetween(around->first, around->second);
    }
    // The frames of all the stalls of the whole machine then; zero if none.
    std::size_t StallFrames(std::size_t begin, std::size_t end) const {
        const auto around = Around(begin, end);
        if (!around)
            return 0;
        std::chrono::duration<double, std::milli> stalled{};
        for (auto stall : capture_->StallsBetween(around->first, around->second))
            stalled += stall;
        return static_cast<std::size_t>(stalled.count() * kFramesPerMs);
    }
    bool GlitchAt(std::size_t frame) const { return GlitchWithin(frame, frame); }
    // Whether the whole machine ran without a stall for ten seconds up to
    // `until`. A stall makes the output's answers and writes come late, and
    // the output then aims its changes further ahead for a while (it forgets
    // a slow server over ten seconds or so): a release may come out that much
    // later than the press's onset, the tone that much longer than held.
    bool SteadyUntil(MonotonicClock::time_point until) const {
        return capture_->StallsBetween(until - std::chrono::seconds(10), until).empty();
    }

    // What sounds on a channel of the last recording, as `Sounding` finds
    // it, where a stretch that such a glitch split counts as one.
    std::vector<Segment> SoundingThroughGlitches(const std::vector<std::int16_t>& played, int channel,
                                                 int threshold, std::size_t bridge = 48) const {
        std::vector<Segment> joined;
        for (const Segment& part : Sounding(played, channel, threshold, bridge)) {
            if (!joined.empty() && part.begin - joined.back().end < 30 * kFramesPerMs &&
                GlitchAt(joined.back().end)) {
                std::cout << "[ excused ] a gap at a glitch of the server or the machine\n";
                joined.back().end = part.end;
            } else {
                joined.push_back(part);
            }
        }
        return joined;
    }

    // Tones, where a gap no longer than the stalls of the whole machine
    // around it and 30 ms more counts as none: a stall stops the stream's
    // thread and the server alike, and silences at most its own length,
    // rounded up to the server's block. Only for a case that leaves no
    // silence between its tones, or none shorter than `apart`: a gap 30 ms
    // shorter than that at least is one the case made.
    std::vector<Segment> JoinedOverStalls(const std::vector<Segment>& tones,
                                          std::size_t apart = std::numeric_limits<std::size_t>::max()) const {
        const std::size_t slack = 30 * kFramesPerMs;
        std::vector<Segment> joined;
        for (const Segment& part : tones) {
            const std::size_t gap = joined.empty() ? 0 : part.begin - joined.back().end;
            const std::size_t stall = joined.empty() ? 0 : StallFrames(joined.back().end, part.begin);
            if (stall > 0 && gap < stall + slack && gap + slack < apart) {
                std::cout << "[ excused ] a gap over a stall of the machine\n";
                joined.back().end = part.end;
            } else {
                joined.push_back(part);
            }
        }
        return joined;
    }

    // The frames of a channel of the last recording that bend by `limit` or
    // more, but for those at such a glitch or within 30 ms of such a stall.
    std::vector<std::size_t> ClicksBeyondGlitches(const std::vector<std::int16_t>& played, int channel,
                                                  int limit) const {
        std::vector<std::size_t> clicks;
        std::size_t excusedUntil = 0;
        for (std::size_t frame : Bends(played, channel, limit)) {
            if (frame < excusedUntil)
                continue;
            const std::size_t near = 30 * kFramesPerMs;
            if (GlitchAt(frame) || StallFrames(frame - std::min(frame, near), frame + near) > 0) {
                std::cout << "[ excused ] a click at a glitch of the server or the machine\n";
                excusedUntil = frame + 30 * kFramesPerMs;
            } else {
                clicks.push_back(frame);
            }
        }
        return clicks;
    }

    // A key press as a tone's length is judged by: how long the key was held,
    // when it was let go, and the most lead the output told then and 100 ms
    // later (its thread may place the release after a stall, aiming further).
    struct HeldKey {
        double heldMs = 0;
        MonotonicClock::time_point released;
        int leadFrames = 0;
    };
    // Notes a key held from `pressed` and let go at `released`, just now;
    // returns 100 ms later.
    HeldKey LetGo(MonotonicClock::time_point pressed, MonotonicClock::time_point released) const {
        HeldKey key{std::chrono::duration<double, std::milli>(released - pressed).count(), released,
                    output_->LeadFrames()};
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        key.leadFrames = std::max(key.leadFrames, output_->LeadFrames());
        return key;
    }

    // A tone lasts as long as held, give or take two of the output's buffers
    // and the ramps, and never less. Where the machine stalled of late, the
    // output aims its changes further ahead: the release may then come out
    // later by the lead it told and by the stalls around it.
    void ExpectLastsAsHeld(const Segment& tone, const HeldKey& key) const {
        using namespace std::chrono_literals;
        const double margin = 2.0 * output_->BufferFrames() / kFramesPerMs + 10.0;
        const double length = static_cast<double>(tone.Length()) / kFramesPerMs;
        EXPECT_GE(length, key.heldMs - margin) << "the release cut the tone short" << Tones({tone});
        double later = 0;
        if (!SteadyUntil(key.released)) {
            const double leadMs = static_cast<double>(key.leadFrames) / kFramesPerMs;
            const auto until = key.released + 100ms + std::chrono::duration<double, std::milli>(leadMs);
            std::chrono::duration<double, std::milli> stalled{};
            for (auto stall : capture_->StallsBetween(
                     key.released - 100ms, std::chrono::time_point_cast<MonotonicClock::duration>(until)))
                stalled += stall;
            later = leadMs + stalled.count();
        }
        EXPECT_LE(length, key.heldMs + margin + later) << "aimed " << later << " ms later" << Tones({tone});
    }

    // Tones of the last recording as a failure tells them: where each begins
    // and how long it lasts, in ms, with a mark at a glitch.
    std::string Tones(const std::vector<Segment>& tones) const {
        std::ostringstream out;
        out << std::fixed << std::setprecision(1) << "\ntones (start+length ms, ! at a glitch):";
        for (const Segment& tone : tones)
            out << ' ' << static_cast<double>(tone.begin) / kFramesPerMs << '+'
                << static_cast<double>(tone.Length()) / kFramesPerMs << (GlitchAt(tone.begin) ? "!" : "");
        return out.str();
    }

    static constexpr std::size_t kFramesPerMs = 48;
    static inline Capture* capture_ = nullptr;
    std::unique_ptr<SoundOutput> output_;
    std::size_t mark_ = 0; // the capture's frame where the last recording began
};

} // namespace klavet::testing
