#pragma once

// The sound output over SDL2: one stream opened at start and kept running on
// SDL's default device, reopened when its server is lost. It plays; it does
// not choose itself: the output is chosen where the trainer starts.

#include "sound_output.h"

#include <memory>

namespace klavet {

std::unique_ptr<SoundOutput> CreateSdlOutput(const SoundOutputOptions& options);

} // namespace klavet
