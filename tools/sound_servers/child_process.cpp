#include "child_process.h"

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace klavet::testing {

namespace {

using namespace std::chrono_literals;

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

bool WaitForSocket(const std::string& socket, pid_t& pid, std::chrono::seconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (std::chrono::steady_clock::now() < deadline) {
        if (ChildEnded(pid))
            return false;
        if (CanConnect(socket))
            return true;
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

std::vector<std::string> EnvironmentWith(const std::vector<std::string>& overrides) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('=') + 1);
        bool replaced = false;
        for (const auto& o : overrides)
            replaced = replaced || o.starts_with(name);
        if (!replaced)
            env.push_back(entry);
    }
    env.insert(env.end(), overrides.begin(), overrides.end());
    return env;
}

pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& environment,
            const std::string& log) {
    std::vector<std::string> argStore = args, envStore = environment;
    std::vector<char*> argv, envp;
    for (auto& a : argStore)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : envStore)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t child = -1;
    const int failed = ::posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return failed ? -1 : child;
}

bool RunToEnd(const std::vector<std::string>& args, const std::vector<std::string>& environment,
              const std::string& log) {
    const pid_t pid = Spawn(args, environment, log);
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void KillChild(pid_t& pid) {
    if (pid <= 0)
        return;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    pid = -1;
}

bool ChildEnded(pid_t& pid) {
    if (pid <= 0)
        return true;
    if (::waitpid(pid, nullptr, WNOHANG) != pid)
        return false;
    pid = -1;
    return true;
}

} // namespace klavet::testing
