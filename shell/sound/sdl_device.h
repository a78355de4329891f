#pragma once

// The fallback device, for desktops with no PulseAudio-compatible server:
// one SDL2 stream on SDL's default device, whose callback renders the mixer
// buffer by buffer and sleeps it while idle. It plays; it does not choose.

#include "sound_device.h"
#include "sound_output.h"

#include <memory>

namespace klavet {

class Mixer;

std::unique_ptr<SoundDevice> MakeSdlDevice(Mixer& mixer, const SoundOutputOptions& options);

} // namespace klavet
