#pragma once

// What the sound output plays, as recorded stereo frames, for the target
// this run was given (KLAVET_SOUND_TARGET): the pulse device on a private
// PulseAudio or PipeWire server, SDL on the PulseAudio server, or SDL's dummy
// driver, whose frames are taken from the output's tap.

#include "sound_output.h"
#include "sound_server.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace klavet::testing {

class Capture {
public:
    virtual ~Capture() = default;
    // "pulseaudio" (the default), "pipewire", "sdl" or "dummy".
    static std::unique_ptr<Capture> ForThisRun();

    virtual bool Ready() const = 0;
    // Options for an output whose sound this capture records.
    virtual SoundOutputOptions Options() = 0;
    virtual std::size_t Frames() const = 0;
    virtual std::vector<std::int16_t> Samples(std::size_t from, std::size_t to) const = 0;
    // The server recorded, if any: its frames arrive in real time.
    virtual SoundServer* Server() { return nullptr; }
    // Whether what was recorded between the two times may hold a glitch not
    // of the output's making: the server said it ran late, or, under SDL,
    // whose stream keeps only about a buffer queued, the machine stalled.
    virtual bool GlitchedBetween(std::chrono::steady_clock::time_point,
                                 std::chrono::steady_clock::time_point) const {
        return false;
    }

    // An output recorded by this capture, once it has opened its device;
    // null when it has not within ten seconds.
    std::unique_ptr<SoundOutput> StreamingOutput();
};

} // namespace klavet::testing
