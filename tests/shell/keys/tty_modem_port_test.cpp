#include "tty_modem_port.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace klavet {
namespace {

// This machine has no serial port: these are the ways a named path fails.
TEST(TtyModemPort, PathsThatAreNoSerialPortSayWhy) {
    TtyModemPort port;
    EXPECT_EQ(port.Open("/dev/ttyUSB-klavet-none"), OpenFailure{PortProblem::Missing});

    // A pseudo-terminal has no modem lines.
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    EXPECT_EQ(port.Open(ptsname(master)), OpenFailure{PortProblem::NoModemLines});
    close(master);

    // Whatever else has the name is no port, and none will come there.
    const auto dir = std::filesystem::temp_directory_path() / ("klavet-port-" + std::to_string(getpid()));
    std::filesystem::create_directory(dir);
    std::ofstream(dir / "file") << "x";
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    const int listening = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", (dir / "socket").c_str());
    ASSERT_EQ(bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    for (const auto& path : {dir / "file", dir / "fifo", dir / "socket", dir})
        EXPECT_EQ(port.Open(path), OpenFailure{PortProblem::NotAPort}) << path;
    close(listening);
    std::filesystem::remove_all(dir);
}

TEST(TtyModemPort, UnopenedPortIsGone) {
    TtyModemPort port;
    EXPECT_FALSE(port.Read());
    EXPECT_EQ(port.WaitForChange(std::chrono::steady_clock::now() + std::chrono::seconds(5)),
              WaitResult::Gone);
}

} // namespace
} // namespace klavet
