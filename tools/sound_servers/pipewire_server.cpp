#include "pipewire_server.h"

#include "child_process.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sys/wait.h>
#include <thread>

namespace klavet::testing {

namespace {

using namespace std::chrono_literals;

// The recorded sink.
constexpr const char* kSink = "cap";

} // namespace

PipeWireServer::PipeWireServer(PipeWirePeriods periods) {
    dir_ = MakeServerDir("klavet-pipewire");
    std::filesystem::create_directories(dir_ + "/config/pipewire/pipewire.conf.d");
    if (periods == PipeWirePeriods::Default)
        std::ofstream(dir_ + "/config/pipewire/pipewire.conf.d/90-periods.conf")
            << "context.properties = { default.clock.quantum = 512 default.clock.min-quantum = 512 "
               "default.clock.max-quantum = 512 }\n";
    recorder_ = std::make_unique<FifoRecorder>(dir_ + "/sink.fifo");
    env_ = EnvironmentWith(
        {"HOME=" + dir_, "XDG_RUNTIME_DIR=" + dir_ + "/run", "XDG_CONFIG_HOME=" + dir_ + "/config",
         "DBUS_SESSION_BUS_ADDRESS=unix:path=" + dir_ + "/bus",
         "PULSE_SERVER=unix:" + dir_ + "/run/pulse/native", "PULSE_CLIENTCONFIG=" + dir_ + "/client.conf"});
    ::setenv("PULSE_SERVER", ("unix:" + dir_ + "/run/pulse/native").c_str(), 1);
    ::setenv("PULSE_CLIENTCONFIG", (dir_ + "/client.conf").c_str(), 1);
}

PipeWireServer::~PipeWireServer() {
    Kill();
    recorder_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

bool PipeWireServer::Start() {
    if (pulsePid_ > 0)
        return true;
    if (!StartProcesses()) {
        Kill();
        return false;
    }
    // Recording has begun once the silent stream's frames come through.
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (recorder_->Frames() < 4800) {
        if (std::chrono::steady_clock::now() > deadline) {
            Kill();
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    watch_ = std::make_unique<GraphWatch>(dir_ + "/run", kSink);
    if (!watch_->Watching())
        watch_.reset();
    return true;
}

bool PipeWireServer::RanLate(std::chrono::steady_clock::time_point from,
                             std::chrono::steady_clock::time_point to) const {
    return watch_ && (watch_->LateBetween(from, to) || LostPeriodBetween(from, to));
}

// The sink writes the frames of a cycle as the cycle runs, so a read of the
// recording returns within the cycle whose frames it begins with, or later
// if the recorder was slow to it.
std::vector<std::int64_t> PipeWireServer::ShiftsAround(std::size_t frame, Cycles& cycles) const {
    constexpr std::size_t kAround = 1200;
    const auto reads = recorder_->Reads(frame - std::min(frame, kAround), frame + kAround);
    cycles.clear();
    if (!watch_ || reads.empty())
        return {};
    cycles = watch_->CyclesBetween(reads.front().second - 200ms, reads.back().second);
    const auto startsAfter = [](std::chrono::steady_clock::time_point t, const GraphWatch::Cycle& c) {
        return t < c.start;
    };
    std::vector<std::int64_t> shifts;
    for (const auto& [first, returned] : reads) {
        const auto after = std::upper_bound(cycles.begin(), cycles.end(), returned, startsAfter);
        if (after != cycles.begin())
            shifts.push_back(std::prev(after)->position - static_cast<std::int64_t>(first));
    }
    return shifts;
}

// A period that the sink lost, with no cycle late, puts the recording out of
// step with the graph by that period from there on: the median shift of the
// reads differs between the two ends of the time. (A read the recorder was
// slow to, or one in a cycle the profile missed, seems shifted on its own.)
bool PipeWireServer::LostPeriodBetween(std::chrono::steady_clock::time_point from,
                                       std::chrono::steady_clock::time_point to) const {
    const std::size_t frames = recorder_->Frames();
    const std::chrono::duration<double> back = std::chrono::steady_clock::now() - from + 1s;
    const auto reads =
        recorder_->Reads(frames - std::min(frames, static_cast<std::size_t>(back.count() * 48000)), frames);
    const auto first =
        std::find_if(reads.begin(), reads.end(), [&](const auto& r) { return r.second >= from; });
    const auto last =
        std::find_if(reads.rbegin(), reads.rend(), [&](const auto& r) { return r.second <= to; });
    if (first == reads.end() || last == reads.rend() || last->first <= first->first)
        return false;
    Cycles cycles;
    auto before = ShiftsAround(first->first, cycles);
    auto after = ShiftsAround(last->first, cycles);
    const auto median = [](std::vector<std::int64_t>& shifts) {
        std::nth_element(shifts.begin(), shifts.begin() + static_cast<std::ptrdiff_t>(shifts.size() / 2),
                         shifts.end());
        return shifts[shifts.size() / 2];
    };
    return !before.empty() && !after.empty() && median(before) != median(after);
}

// Most reads within 25 ms of `frame` give the graph's frame of each recorded
// one (a period the sink lost shifts it). Then the cycle that played it
// tells when.
std::optional<std::chrono::steady_clock::time_point> PipeWireServer::PlayedAt(std::size_t frame) const {
    Cycles cycles;
    const auto shifts = ShiftsAround(frame, cycles);
    if (shifts.empty())
        return std::nullopt;
    std::map<std::int64_t, int> counts;
    for (std::int64_t s : shifts)
        ++counts[s];
    const auto shift = std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
                           return a.second < b.second;
                       })->first;
    const std::int64_t position = static_cast<std::int64_t>(frame) + shift;
    // The cycle that played it, or, where the profile missed that cycle, the
    // two around it.
    const auto after = std::find_if(cycles.begin(), cycles.end(),
                                    [&](const GraphWatch::Cycle& c) { return c.position > position; });
    if (after == cycles.begin())
        return std::nullopt;
    const GraphWatch::Cycle& cycle = *std::prev(after);
    const auto since = static_cast<double>(position - cycle.position);
    if (position < cycle.position + cycle.frames && cycle.rate > 0)
        return cycle.start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                 std::chrono::duration<double>(since / cycle.rate));
    if (after == cycles.end() || after->position <= cycle.position)
        return std::nullopt;
    return cycle.start +
           std::chrono::duration_cast<std::chrono::steady_clock::duration>(
               (after->start - cycle.start) * since / static_cast<double>(after->position - cycle.position));
}

bool PipeWireServer::StartProcesses() {
    const std::string log = dir_ + "/server.log";
    busPid_ =
        Spawn({"dbus-daemon", "--session", "--nofork", "--address=unix:path=" + dir_ + "/bus"}, env_, log);
    if (!WaitForSocket(dir_ + "/bus", busPid_, 10s))
        return false;
    pipewirePid_ = Spawn({"pipewire"}, env_, log);
    if (!WaitForSocket(dir_ + "/run/pipewire-0", pipewirePid_, 10s))
        return false;
    sessionPid_ = Spawn({"wireplumber"}, env_, log);
    pulsePid_ = Spawn({"pipewire-pulse"}, env_, log);
    if (!WaitForSocket(dir_ + "/run/pulse/native", pulsePid_, 10s))
        return false;
    if (!Pactl({"load-module", "module-pipe-sink", std::string("sink_name=") + kSink,
                "file=" + recorder_->Path(), "format=s16le", "rate=48000", "channels=2"}) ||
        !Pactl({"set-default-sink", kSink}))
        return false;
    silencePid_ = Spawn({"pacat", "--raw", "--format=s16le", "--rate=48000", "--channels=2",
                         std::string("--device=") + kSink, "/dev/zero"},
                        env_, log);
    return silencePid_ > 0;
}

// The pulse service takes its socket before it knows the graph: a command
// may fail at first, and is tried again for a while.
bool PipeWireServer::Pactl(const std::vector<std::string>& args) {
    std::vector<std::string> command = {"pactl"};
    command.insert(command.end(), args.begin(), args.end());
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    do {
        if (RunToEnd(command, env_, dir_ + "/server.log"))
            return true;
        std::this_thread::sleep_for(100ms);
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

void PipeWireServer::Kill() {
    watch_.reset();
    Thaw();
    for (pid_t* pid : {&silencePid_, &pulsePid_, &sessionPid_, &pipewirePid_, &busPid_})
        KillChild(*pid);
}

} // namespace klavet::testing
