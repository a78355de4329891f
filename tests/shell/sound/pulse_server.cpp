#include "pulse_server.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace klavet::testing {

namespace {

using namespace std::chrono_literals;

std::string MakeTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "klavet-pulse-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        return {};
    return pattern;
}

bool CanConnect(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

} // namespace

PulseServer::PulseServer() {
    dir_ = MakeTempDir();
    socket_ = dir_ + "/pa.sock";
    fifo_ = dir_ + "/sink.fifo";
    std::filesystem::create_directories(dir_ + "/run");
    ::chmod((dir_ + "/run").c_str(), 0700);
    std::ofstream(dir_ + "/client.conf") << "autospawn = no\n";
    ::mkfifo(fifo_.c_str(), 0600);
    readFd_ = ::open(fifo_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    // A writer of our own keeps the pipe from reporting its end between servers.
    keepOpenFd_ = ::open(fifo_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    ::setenv("PULSE_SERVER", ("unix:" + socket_).c_str(), 1);
    ::setenv("PULSE_CLIENTCONFIG", (dir_ + "/client.conf").c_str(), 1);
    drainer_ = std::thread([this] { Drain(); });
}

PulseServer::~PulseServer() {
    Kill();
    stopping_.store(true);
    drainer_.join();
    ::close(readFd_);
    ::close(keepOpenFd_);
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

bool PulseServer::Start() {
    if (pid_ > 0)
        return true;
    const std::string nativeModule = "module-native-protocol-unix socket=" + socket_ + " auth-anonymous=1";
    const std::string sinkModule = "module-pipe-sink sink_name=cap file=" + fifo_ +
                                   " format=s16le rate=48000 channels=2 use_system_clock_for_timing=yes";
    const std::string log = dir_ + "/server.log";
    const std::string runtime = dir_ + "/run";
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (!entry.starts_with("HOME=") && !entry.starts_with("XDG_") && !entry.starts_with("PULSE_"))
            env.push_back(entry);
    }
    env.push_back("HOME=" + dir_);
    env.push_back("XDG_RUNTIME_DIR=" + runtime);
    env.push_back("XDG_CONFIG_HOME=" + dir_);
    std::vector<char*> envp;
    for (auto& entry : env)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = {"pulseaudio",
                                     "-n",
                                     "--daemonize=no",
                                     "--exit-idle-time=-1",
                                     "--disallow-exit",
                                     "--use-pid-file=no",
                                     "--log-target=stderr",
                                     "-L",
                                     nativeModule,
                                     "-L",
                                     sinkModule};
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t child = -1;
    const int failed = ::posix_spawnp(&child, "pulseaudio", &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    pid_ = failed ? -1 : child;
    if (pid_ < 0 || !WaitForSocket()) {
        Kill();
        return false;
    }
    return true;
}

bool PulseServer::WaitForSocket() {
    const auto deadline = std::chrono::steady_clock::now() + 15s;
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
        if (CanConnect(socket_))
            return true;
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

void PulseServer::Kill() {
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
    ::unlink(socket_.c_str());
}

void PulseServer::Drain() {
    std::uint8_t block[16384];
    while (!stopping_.load()) {
        pollfd p{readFd_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        const ssize_t got = ::read(readFd_, block, sizeof block);
        if (got <= 0)
            continue;
        std::lock_guard lk(lock_);
        for (ssize_t i = 0; i < got; ++i) {
            odd_[oddBytes_++] = block[i];
            if (oddBytes_ == 4) {
                samples_.push_back(static_cast<std::int16_t>(odd_[0] | (odd_[1] << 8)));
                samples_.push_back(static_cast<std::int16_t>(odd_[2] | (odd_[3] << 8)));
                oddBytes_ = 0;
            }
        }
        arrivals_.emplace_back(samples_.size() / 2, std::chrono::steady_clock::now());
    }
}

std::chrono::steady_clock::time_point PulseServer::ArrivalOf(std::size_t frame) const {
    std::lock_guard lk(lock_);
    const auto found = std::upper_bound(arrivals_.begin(), arrivals_.end(), frame,
                                        [](std::size_t f, const auto& a) { return f < a.first; });
    return found == arrivals_.end() ? std::chrono::steady_clock::time_point{} : found->second;
}

std::size_t PulseServer::Frames() const {
    std::lock_guard lk(lock_);
    return samples_.size() / 2;
}

std::vector<std::int16_t> PulseServer::Samples(std::size_t from, std::size_t to) const {
    std::lock_guard lk(lock_);
    to = std::min(to, samples_.size() / 2);
    if (from >= to)
        return {};
    return {samples_.begin() + static_cast<std::ptrdiff_t>(2 * from),
            samples_.begin() + static_cast<std::ptrdiff_t>(2 * to)};
}

} // namespace klavet::testing
