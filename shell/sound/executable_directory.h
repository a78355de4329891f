#pragma once

// Where the running program lies: the sound files are looked for beside it.
// Read anew at every call; nothing is kept.

#include <string>

namespace klavet {

// The directory of the executable, with no separator at its end; empty when
// it cannot be known.
std::string ExecutableDirectory();

} // namespace klavet
