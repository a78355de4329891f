#include "sound_output.h"

#include "mixer_output.h"

namespace klavet {

namespace {

DeviceChoice OpenedOrNone(SoundDevice& device) {
    const DeviceOpening opening = device.Open();
    return {opening == DeviceOpening::Opened ? &device : nullptr, opening == DeviceOpening::NoOutput};
}

// A pulse server first: PulseAudio, or PipeWire's pulse service, is what the
// desktops run. SDL only when no pulse server took the connection; one that
// took it and hangs, or has no sink to play on for now, is waited for, not
// passed over (SDL's own pulse driver does not survive a server with no sink).
DeviceChoice ChooseDevice(SoundBackend backend, const SoundDevices& devices) {
    switch (backend) {
    case SoundBackend::Pulse:
        return OpenedOrNone(*devices.pulse);
    case SoundBackend::Sdl:
        return OpenedOrNone(*devices.sdl);
    case SoundBackend::Automatic:
        break;
    }
    switch (devices.pulse->Open()) {
    case DeviceOpening::Opened:
        return {devices.pulse.get(), false};
    case DeviceOpening::Absent:
        return OpenedOrNone(*devices.sdl);
    case DeviceOpening::Unanswered:
        break;
    case DeviceOpening::NoOutput:
        return {nullptr, true};
    }
    return {};
}

} // namespace

std::unique_ptr<SoundOutput> CreateSoundOutput(const SoundOutputOptions& options) {
    return MakeMixerOutput(options, ChooseDevice);
}

std::unique_ptr<SoundOutput> CreateSoundOutput() {
    return CreateSoundOutput(SoundOutputOptions{});
}

} // namespace klavet
