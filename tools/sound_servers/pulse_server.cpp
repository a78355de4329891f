#include "pulse_server.h"

#include "child_process.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace klavet::testing {

PulseServer::PulseServer() {
    dir_ = MakeServerDir("klavet-pulse");
    socket_ = dir_ + "/pa.sock";
    recorder_ = std::make_unique<FifoRecorder>(dir_ + "/sink.fifo");
    ::setenv("PULSE_SERVER", ("unix:" + socket_).c_str(), 1);
    ::setenv("PULSE_CLIENTCONFIG", (dir_ + "/client.conf").c_str(), 1);
}

PulseServer::~PulseServer() {
    Kill();
    recorder_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

bool PulseServer::Start() {
    if (pid_ > 0)
        return true;
    const auto env =
        EnvironmentWith({"HOME=" + dir_, "XDG_RUNTIME_DIR=" + dir_ + "/run", "XDG_CONFIG_HOME=" + dir_});
    pid_ = Spawn({"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
                  "--use-pid-file=no", "--log-target=stderr", "-L",
                  "module-native-protocol-unix socket=" + socket_ + " auth-anonymous=1", "-L",
                  "module-pipe-sink " + SinkModuleArguments()},
                 env, dir_ + "/server.log");
    if (pid_ < 0 || !WaitForSocket(socket_, pid_, std::chrono::seconds(15))) {
        Kill();
        return false;
    }
    return true;
}

std::string PulseServer::SinkModuleArguments() const {
    return "sink_name=cap file=" + recorder_->Path() +
           " format=s16le rate=48000 channels=2 use_system_clock_for_timing=yes";
}

bool PulseServer::Pactl(const std::vector<std::string>& args) {
    std::vector<std::string> command = {"pactl"};
    command.insert(command.end(), args.begin(), args.end());
    return RunToEnd(command, EnvironmentWith({}), dir_ + "/pactl.log");
}

bool PulseServer::UnloadSink() {
    return Pactl({"unload-module", "module-pipe-sink"});
}

bool PulseServer::LoadSink() {
    return Pactl({"load-module", "module-pipe-sink", SinkModuleArguments()});
}

void PulseServer::Kill() {
    Thaw();
    KillChild(pid_);
    ::unlink(socket_.c_str());
}

} // namespace klavet::testing
