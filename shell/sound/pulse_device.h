#pragma once

// The device for PulseAudio and PipeWire's pulse service: a libpulse stream
// fed from a threaded main loop. It keeps 300 ms rendered ahead at the server
// while something sounds (6 s of silence at rest), and makes each change heard
// from the server's read position by rendering the mixer again from there.
// It plays; it does not choose.

#include "sound_device.h"
#include "sound_output.h"

#include <memory>

namespace klavet {

class Mixer;

std::unique_ptr<SoundDevice> MakePulseDevice(Mixer& mixer, const SoundOutputOptions& options);

} // namespace klavet
