#pragma once

// The whole trainer program at rest: started under a private X server, with
// this process's environment (and so its sound server), left idle, and the
// share of one core all its threads use. It presses nothing.

#include <string>
#include <vector>

namespace klavet::bench {

// Percent of one core the program at `path`, given `arguments`, uses over
// `seconds` of idle, after a few seconds to settle; negative when it could
// not be run.
double TrainerIdleCpuPercent(const std::string& path, double seconds,
                             const std::vector<std::string>& arguments = {});

} // namespace klavet::bench
