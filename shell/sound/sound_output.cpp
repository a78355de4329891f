#include "sound_output.h"

#include "mixer_output.h"

namespace klavet {

namespace {

SoundDevice* OpenedOrNull(SoundDevice& device) {
    return device.Open() == DeviceOpening::Opened ? &device : nullptr;
}

// A pulse server first: PulseAudio, or PipeWire's pulse service, is what the
// desktops run. SDL only when no pulse server took the connection; one that
// took it and hangs, or has no sink to play on for now, is waited for, not
// passed over (SDL's own pulse driver does not survive a server with no sink).
SoundDevice* ChooseDevice(SoundBackend backend, const SoundDevices& devices) {
    switch (backend) {
    case SoundBackend::None:
        return nullptr;
    case SoundBackend::Pulse:
        return OpenedOrNull(*devices.pulse);
    case SoundBackend::Sdl:
        return OpenedOrNull(*devices.sdl);
    case SoundBackend::Automatic:
        break;
    }
    switch (devices.pulse->Open()) {
    case DeviceOpening::Opened:
        return devices.pulse.get();
    case DeviceOpening::Absent:
        return OpenedOrNull(*devices.sdl);
    case DeviceOpening::Unanswered:
    case DeviceOpening::NoOutput:
        break;
    }
    return nullptr;
}

} // namespace

std::unique_ptr<SoundOutput> CreateSoundOutput(const SoundOutputOptions& options) {
    return MakeMixerOutput(options, ChooseDevice);
}

std::unique_ptr<SoundOperations> CreateSoundOutput() {
    return CreateSoundOutput(SoundOutputOptions{});
}

} // namespace klavet
