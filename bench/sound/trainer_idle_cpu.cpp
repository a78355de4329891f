#include "trainer_idle_cpu.h"

#include "child_process.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace klavet::bench {

namespace {

using namespace std::chrono_literals;

// Nanoseconds on a core so far, summed over the threads alive now.
double CpuNanoseconds(pid_t pid) {
    double total = 0;
    std::error_code error;
    for (const auto& task :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        std::ifstream stat(task.path() / "schedstat");
        double onCpu = 0;
        if (stat >> onCpu)
            total += onCpu;
    }
    return total;
}

} // namespace

double TrainerIdleCpuPercent(const std::string& path, double seconds, const std::vector<std::string>& arguments) {
    const std::string display = ":" + std::to_string(70 + ::getpid() % 200);
    pid_t x = testing::Spawn({"Xvfb", display, "-screen", "0", "1024x768x24", "-nolisten", "tcp"},
                             testing::EnvironmentWith({}), "/dev/null");
    const std::string socket = "/tmp/.X11-unix/X" + display.substr(1);
    if (!testing::WaitForSocket(socket, x, 10s)) {
        testing::KillChild(x);
        return -1;
    }
    std::vector<std::string> command{path};
    command.insert(command.end(), arguments.begin(), arguments.end());
    pid_t trainer = testing::Spawn(command, testing::EnvironmentWith({"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb"}),
                                   "/dev/null");
    double percent = -1;
    if (trainer > 0) {
        std::this_thread::sleep_for(5s);
        const double before = CpuNanoseconds(trainer);
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        if (!testing::ChildEnded(trainer))
            percent = (CpuNanoseconds(trainer) - before) / (seconds * 1e9) * 100.0;
    }
    testing::KillChild(trainer);
    testing::KillChild(x);
    return percent;
}

} // namespace klavet::bench
