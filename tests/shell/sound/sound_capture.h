#pragma once

// What the sound output plays, as recorded stereo frames: from a private
// PulseAudio server's pipe sink, or, under SDL's dummy driver, from the
// output's tap on the buffers it hands to the device.

#include "pulse_server.h"
#include "sound_output.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace klavet::testing {

class Capture {
public:
    virtual ~Capture() = default;
    // SDL_AUDIODRIVER=dummy gives the tap; anything else a private server.
    static std::unique_ptr<Capture> ForThisRun();

    virtual bool Ready() const = 0;
    // Options for an output whose sound this capture records.
    virtual SoundOutputOptions Options() = 0;
    virtual std::size_t Frames() const = 0;
    virtual std::vector<std::int16_t> Samples(std::size_t from, std::size_t to) const = 0;
    virtual PulseServer* Server() { return nullptr; }
};

} // namespace klavet::testing
