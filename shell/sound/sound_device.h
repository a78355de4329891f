#pragma once

// A device the mixer plays through: a stream to a sound server, opened,
// watched and closed by the output's keeper thread. It renders the mixer on
// an audio thread of its own; it does not choose itself.

#include <cstdint>

namespace klavet {

enum class DeviceOpening {
    Opened,
    Absent,     // no server took the connection: another device may serve
    Unanswered, // a server took it and did not answer in time
    NoOutput,   // a server answered and has nowhere to play (no sink) for now
};

class SoundDevice {
public:
    virtual ~SoundDevice() = default;

    // Keeper thread: starts a stream that plays the mixer. Returns in bounded
    // time even when the server hangs.
    virtual DeviceOpening Open() = 0;
    virtual void Close() = 0;
    // True once an open stream has been cut off from its server.
    virtual bool Lost() const = 0;

    // Any thread.
    // Frames of one block handed to the server; 0 while closed.
    virtual int BufferFrames() const = 0;
    // The frame of the mixer's timeline being heard about now: every earlier
    // one has been handed to the server for playing.
    virtual std::uint64_t HeardFrame() const = 0;
    // How long before a sound's end, as heard, the next must be handed over
    // to follow it without a gap; 0 while closed.
    virtual int LeadFrames() const = 0;

    // User-interface thread: a sound or a volume word waits in the mixer.
    virtual void Wake() = 0;
};

} // namespace klavet
