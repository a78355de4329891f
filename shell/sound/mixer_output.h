#pragma once

// The sound output behind the engine's sound operations: sound files read
// into clips and handed, with the volume, to the one mixer, which plays
// through whichever device a keeper thread has open. The user-interface
// thread never waits for a sound server. Which device to open is not decided
// here but by the chooser it is given.

#include "sound_device.h"
#include "sound_output.h"

#include <memory>

namespace klavet {

// Every device an output may play through, each made once for its run.
struct SoundDevices {
    std::unique_ptr<SoundDevice> pulse;
    std::unique_ptr<SoundDevice> sdl;
};

// Opens one of the devices and returns it, or null when none could be
// opened. Called on the keeper thread at start and whenever the open device
// is lost.
using DeviceChooser = SoundDevice* (*)(SoundBackend backend, const SoundDevices& devices);

std::unique_ptr<SoundOutput> MakeMixerOutput(const SoundOutputOptions& options, DeviceChooser choose);

} // namespace klavet
