#include "tty_modem_port.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace klavet {
namespace {

// This machine has no serial port: these are the ways a named path fails.
TEST(TtyModemPort, PathsThatAreNoSerialPortSayWhy) {
    TtyModemPort port;
    auto missing = port.Open("/dev/ttyUSB-klavet-none");
    ASSERT_TRUE(missing);
    EXPECT_TRUE(missing->missing);
    EXPECT_EQ(missing->reason, "not found");

    // A pseudo-terminal has no modem lines.
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    auto terminal = port.Open(ptsname(master));
    ASSERT_TRUE(terminal);
    EXPECT_FALSE(terminal->missing);
    EXPECT_EQ(terminal->reason, "has no modem lines (not a serial port)");
    close(master);

    const auto file = std::filesystem::temp_directory_path() / ("klavet-port-" + std::to_string(getpid()));
    std::ofstream(file) << "x";
    auto plain = port.Open(file);
    std::filesystem::remove(file);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->reason, "has no modem lines (not a serial port)");

    auto directory = port.Open("/");
    ASSERT_TRUE(directory);
    EXPECT_FALSE(directory->missing);
    EXPECT_EQ(directory->reason, "cannot open it: Is a directory");
}

TEST(TtyModemPort, UnopenedPortIsGone) {
    TtyModemPort port;
    EXPECT_FALSE(port.Read());
    EXPECT_EQ(port.WaitForChange(std::chrono::steady_clock::now() + std::chrono::seconds(5)),
              WaitResult::Gone);
}

} // namespace
} // namespace klavet
