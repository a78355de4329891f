#pragma once

// Starting and ending the helper programs of the test servers: each runs
// with an environment of its own and writes its output into a log file.

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace klavet::testing {

// This process's environment, with each "NAME=value" of `overrides` in
// place of the variable of that name.
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& overrides);

// Starts `args` (looked up on PATH); -1 when it could not be started.
pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& environment,
            const std::string& log);

// Runs `args` to its end; true when it exits with status 0.
bool RunToEnd(const std::vector<std::string>& args, const std::vector<std::string>& environment,
              const std::string& log);

// Kills and reaps a child, at once.
void KillChild(pid_t& pid);

// True once the child has ended (reaped then).
bool ChildEnded(pid_t& pid);

// Waits until the Unix socket at `path` takes connections; false if the
// child serving it ends first or the time runs out.
bool WaitForSocket(const std::string& path, pid_t& pid, std::chrono::seconds patience);

} // namespace klavet::testing
