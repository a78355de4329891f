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
#include <optional>
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
    // of the output's making: the server said it ran late, its sink caught
    // up in a burst, or the whole machine stalled, for long enough to empty
    // SDL's short stream or to let the server overtake an edge aimed just
    // ahead of it.
    virtual bool GlitchedBetween(std::chrono::steady_clock::time_point,
                                 std::chrono::steady_clock::time_point) const {
        return false;
    }

    // How long each time the whole machine was held up between the two
    // times, where the capture watches for that (with a server); none
    // elsewhere.
    virtual std::vector<std::chrono::steady_clock::duration> StallsBetween(
        std::chrono::steady_clock::time_point, std::chrono::steady_clock::time_point) const {
        return {};
    }
    // When frame `frame` of the recording was played: by the server's own
    // clock where it tells, else when it reached the recorder, a pipe's
    // length later at most. None where neither is known.
    virtual std::optional<std::chrono::steady_clock::time_point> HeardAt(std::size_t) const {
        return std::nullopt;
    }

    // An output recorded by this capture, once it has opened its device;
    // null when it has not within ten seconds.
    std::unique_ptr<SoundOutput> StreamingOutput();
};

} // namespace klavet::testing
