#include "pipewire_server.h"

#include "child_process.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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
    return watch_ && watch_->LateBetween(from, to);
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
        pid_t pid = Spawn(command, env_, dir_ + "/server.log");
        int status = 0;
        if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0)
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
