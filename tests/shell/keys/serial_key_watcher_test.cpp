#include "serial_key_watcher.h"

#include "scripted_modem_port.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

namespace klavet::testing {
namespace {

using namespace std::chrono_literals;
using Step = ScriptedModemPort::Step;
using News = SerialKeyWatcher::News;

constexpr auto kPlayTime = 10s;

struct Change {
    bool closed;
    std::chrono::nanoseconds at; // after the script's start
    bool operator==(const Change&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Change& change) {
    return out << (change.closed ? "closed" : "open") << " at "
               << std::chrono::duration<double, std::milli>(change.at).count() << " ms";
}

// A watcher over a scripted port on a hand-set clock, with what it handed on.
class SerialKeyWatcherTest : public ::testing::Test {
protected:
    void Watch(std::vector<Step> script, InputLines atStart = 0, std::optional<OpenFailure> refusal = {}) {
        start = clock.Now();
        auto owned = std::make_unique<ScriptedModemPort>(clock, std::move(script), atStart);
        port = owned.get();
        if (refusal)
            port->Refuse(*refusal);
        SerialKeyWatcher::Timing timing;
        timing.lookAgain = 1ms; // real time between two looks for a missing port
        watcher = std::make_unique<SerialKeyWatcher>(
            "/dev/ttyUSB0", std::move(owned), clock,
            [this](bool closed, SteadyTime at) {
                std::lock_guard<std::mutex> lock(mutex);
                changes.push_back({closed, at - start});
            },
            [this](const SerialKeyWatcher::News& piece) {
                std::lock_guard<std::mutex> lock(mutex);
                news.push_back(piece);
            },
            timing);
    }

    // Plays the whole script, then stops the watcher.
    void Play() {
        ASSERT_TRUE(port->WaitUntilPlayed(kPlayTime));
        Stop();
    }

    // Stops the watcher, which owns the port; what the port saw is kept.
    void Stop() {
        openCalls = port->OpenCalls();
        openedPath = port->OpenedPath();
        watcher.reset();
        port = nullptr;
    }

    FakeClock clock;
    SteadyTime start;
    ScriptedModemPort* port = nullptr;
    int openCalls = 0;
    std::string openedPath;
    std::unique_ptr<SerialKeyWatcher> watcher;
    std::mutex mutex;
    std::vector<Change> changes;
    std::vector<SerialKeyWatcher::News> news;
};

// Edges a few tenths of a millisecond apart, as a straight key's contact
// makes them, around a press from 100 ms to 220 ms.
std::vector<Step> BouncingPress(std::chrono::nanoseconds down, std::chrono::nanoseconds up, InputLines line) {
    return {Step{down, Step::Kind::Lines, line},          Step{down + 300us, Step::Kind::Lines, 0},
            Step{down + 500us, Step::Kind::Lines, line},  Step{down + 1200us, Step::Kind::Lines, 0},
            Step{down + 1300us, Step::Kind::Lines, line}, Step{up, Step::Kind::Lines, 0},
            Step{up + 400us, Step::Kind::Lines, line},    Step{up + 1000us, Step::Kind::Lines, 0}};
}

TEST_F(SerialKeyWatcherTest, BouncingEdgesGiveOnePressTimedFromTheFirstEdges) {
    Watch(BouncingPress(100ms, 220ms, kCts));
    Play();
    EXPECT_EQ(changes, (std::vector<Change>{{true, 100ms}, {false, 220ms}}));
    EXPECT_EQ(openedPath, "/dev/ttyUSB0");
    EXPECT_TRUE(news.empty());
}

TEST_F(SerialKeyWatcherTest, AnyInputLineKeysAndAGlitchThatSettlesBackIsNoChange) {
    std::vector<Step> script = BouncingPress(100ms, 160ms, kDsr);
    for (Step step : BouncingPress(300ms, 340ms, kDcd))
        script.push_back(step);
    // 0.8 ms of CTS, well under the settling time: no press.
    script.push_back(ScriptedModemPort::Lines(500ms, kCts));
    script.push_back(ScriptedModemPort::Lines(500ms + 800us, 0));
    Watch(script);
    Play();
    EXPECT_EQ(changes, (std::vector<Change>{{true, 100ms}, {false, 160ms}, {true, 300ms}, {false, 340ms}}));
}

// A line already raised when the port opens (a cable that loops DTR back to
// DSR) never holds the key down; it counts once it has dropped.
TEST_F(SerialKeyWatcherTest, ALineRaisedFromTheStartCountsOnlyOnceItHasDropped) {
    std::vector<Step> script = BouncingPress(100ms, 150ms, kDsr | kCts);
    script[1].lines = kDsr;
    script[3].lines = kDsr;
    script[5].lines = kDsr;
    script[7].lines = kDsr;
    script.push_back(ScriptedModemPort::Lines(300ms, 0)); // DSR drops: now it is a contact
    script.push_back(ScriptedModemPort::Lines(400ms, kDsr));
    script.push_back(ScriptedModemPort::Lines(450ms, 0));
    Watch(script, kDsr);
    Play();
    EXPECT_EQ(changes, (std::vector<Change>{{true, 100ms}, {false, 150ms}, {true, 400ms}, {false, 450ms}}));
}

TEST_F(SerialKeyWatcherTest, UnpluggedPortLetsTheKeyUpIsReportedAndKeysAgainWhenBack) {
    Watch({ScriptedModemPort::Lines(100ms, kCts), ScriptedModemPort::Unplug(150ms),
           ScriptedModemPort::Plug(2s), ScriptedModemPort::Lines(2100ms, kCts),
           ScriptedModemPort::Lines(2180ms, 0)});
    Play();
    EXPECT_EQ(changes, (std::vector<Change>{{true, 100ms}, {false, 150ms}, {true, 2100ms}, {false, 2180ms}}));
    EXPECT_EQ(news,
              (std::vector<News>{{News::Kind::Unplugged, {}}, {News::Kind::PluggedIn, {}}}));
    EXPECT_GT(openCalls, 2); // looked for in vain meanwhile
}

// A script that starts with plugging the port in starts with no port.
TEST_F(SerialKeyWatcherTest, MissingAtStartIsReportedOnceAndUsedWhenPluggedIn) {
    Watch({ScriptedModemPort::Plug(1s), ScriptedModemPort::Lines(1200ms, kCts),
           ScriptedModemPort::Lines(1260ms, 0)});
    Play();
    EXPECT_EQ(changes, (std::vector<Change>{{true, 1200ms}, {false, 1260ms}}));
    EXPECT_EQ(news,
              (std::vector<News>{{News::Kind::Awaited, {PortProblem::Missing}}, {News::Kind::PluggedIn, {}}}));
}

TEST_F(SerialKeyWatcherTest, PortThatCannotServeIsReportedOnceAndLeftAlone) {
    Watch({}, 0, OpenFailure{PortProblem::NoModemLines});
    ASSERT_TRUE(port->WaitUntilPlayed(kPlayTime));
    std::this_thread::sleep_for(50ms); // 50 looks' worth, were it looked for again
    Stop();
    EXPECT_EQ(news,
              (std::vector<News>{{News::Kind::Refused, {PortProblem::NoModemLines}}}));
    EXPECT_EQ(openCalls, 1);
    EXPECT_TRUE(changes.empty());
}

// A change made just before a wait began wakes no wait: the next look finds
// it, and it is timed at the look before, the last moment it can have come.
TEST_F(SerialKeyWatcherTest, ChangeNoWaitNoticedIsFoundByTheNextLook) {
    Watch({ScriptedModemPort::Lines(100ms, kCts), ScriptedModemPort::Unnoticed(103ms, 0),
           ScriptedModemPort::Lines(400ms, kCts), ScriptedModemPort::Lines(450ms, 0)});
    Play();
    // The press settled at 102 ms, where it was last looked at.
    EXPECT_EQ(changes, (std::vector<Change>{{true, 100ms}, {false, 102ms}, {true, 400ms}, {false, 450ms}}));
}

} // namespace
} // namespace klavet::testing
