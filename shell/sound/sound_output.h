#pragma once

// The trainer's sound output: the one place that turns the engine's sound
// operations into audio, and that decides which device plays them. Created
// once at start-up and kept for the run; all its operations are called on the
// user-interface thread. This header says what an output offers; each device
// lives in a file of its own.

#include "sound_operations.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace klavet {

enum class SoundBackend {
    Automatic, // a pulse server (PulseAudio or PipeWire) when one answers, else SDL
    Pulse,
    Sdl,
};

struct SoundOutputOptions {
    SoundBackend backend = SoundBackend::Automatic;
    // Pulse servers: frames kept rendered ahead at the server while
    // something sounds, at 48 kHz: what a late audio thread may lose, and
    // what a server may read at once as it catches up after a stall of the
    // machine (up to 180 ms seen on a busy one).
    int queueFrames = 14400;
    // SDL: frames per buffer handed to the device, at 48 kHz.
    int bufferFrames = 2048;
    // SDL: idle silence after which the audio thread sleeps until the next
    // call; 0 or less keeps it running.
    double parkAfterSeconds = 1.0;
    // SDL: called on the audio thread with every buffer of interleaved stereo
    // frames handed to the device; for measurement. Must not block.
    std::function<void(const std::int16_t* frames, std::size_t count)> tap;
};

class SoundOutput : public SoundOperations {
public:
    // Frames per buffer of the open stream; 0 while no stream is open.
    virtual int BufferFrames() const = 0;
    // Frames before a synchronous sound's end at which its call returns, so
    // that the next is handed over in time to follow it; 0 while no stream
    // is open.
    virtual int LeadFrames() const = 0;
    // True while a stream is open (it may still be cut off from its server).
    virtual bool Streaming() const = 0;
};

inline constexpr int kOutputRate = 48000;

// The output the trainer plays through, with these options. It returns at
// once: the device is opened, and chosen again when lost, on a thread of its
// own.
std::unique_ptr<SoundOutput> CreateSoundOutput(const SoundOutputOptions& options);

// The trainer's sound output with the default options.
std::unique_ptr<SoundOutput> CreateSoundOutput();

} // namespace klavet
