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

// The device opened, if any; and, when none was, whether one may be soon (a
// server answered but has no sink yet), so that it is looked for unasked.
struct DeviceChoice {
    SoundDevice* device = nullptr;
    bool soon = false;
};

// Opens one of the devices. Called on the keeper thread at start and
// whenever the open device is lost.
using DeviceChooser = DeviceChoice (*)(SoundBackend backend, const SoundDevices& devices);

std::unique_ptr<SoundOutput> MakeMixerOutput(const SoundOutputOptions& options, DeviceChooser choose);

} // namespace klavet
