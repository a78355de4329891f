#pragma once

// The modem-line calls a serial-port key is read through: open the port raising
// DTR and RTS, read CTS, DSR and DCD, wait until one of them changes. It
// decides nothing about keying; the real port and a test stand-in implement it.

#include "clock.h"

#include <cstdint>
#include <optional>
#include <string>

namespace klavet {

// The input lines, one bit each.
using InputLines = std::uint8_t;
inline constexpr InputLines kCts = 1;
inline constexpr InputLines kDsr = 2;
inline constexpr InputLines kDcd = 4;
inline constexpr InputLines kAllInputLines = kCts | kDsr | kDcd;

// Why a port could not be opened; the window words it for the learner.
enum class PortProblem {
    Missing,      // nothing by that name, or no device behind it: it may be plugged in later
    NotAPort,     // something else has the name: a file, a pipe, a socket
    NoModemLines, // a terminal without modem lines: not a serial port
    NoAccess,     // the user may not open it
    Unopenable,   // any other refusal
};

struct OpenFailure {
    PortProblem problem = PortProblem::Missing;
    int error = 0; // the system's error number, where one was given
    bool Missing() const { return problem == PortProblem::Missing; }
    bool operator==(const OpenFailure&) const = default;
};

enum class WaitResult {
    Changed,     // an input line changed
    TimedOut,    // the deadline passed first
    Interrupted, // Interrupt() was called
    Gone,        // the port went away (unplugged)
};

class ModemPort {
public:
    virtual ~ModemPort() = default;

    // Opens the port and raises DTR and RTS; nothing when that worked.
    virtual std::optional<OpenFailure> Open(const std::string& path) = 0;
    virtual void Close() = 0;

    // The input lines that are raised now; nothing when the port has gone.
    virtual std::optional<InputLines> Read() = 0;

    // Waits until an input line changes, or until `deadline` at the latest.
    virtual WaitResult WaitForChange(SteadyTime deadline) = 0;

    // Safe from any thread: the wait under way, and every later one, returns
    // Interrupted at once.
    virtual void Interrupt() = 0;
};

} // namespace klavet
