#pragma once

// The trainer's sound output: the one place that turns the engine's sound
// operations into audio. Created once at start-up and kept for the run.

#include "sound_operations.h"

#include <memory>

namespace klavet {

// The real backend where audio works; a silent one where none can be had.
std::unique_ptr<SoundOperations> CreateSoundOutput();

} // namespace klavet
