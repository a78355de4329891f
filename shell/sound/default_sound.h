#pragma once

// The sound played in place of a missing or unreadable key tone, so that a
// press is still heard: a short bell-like ping made in code. It plays nothing
// itself.

#include "wave_file.h"

#include <memory>

namespace klavet {

std::shared_ptr<const Clip> MakeDefaultSound(int rate);

} // namespace klavet
