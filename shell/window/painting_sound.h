#pragma once

// The sound operations as the window hands them to the engine: a blocking
// play runs on a helper thread while the window's thread goes on painting and
// handling timers and window-system events, but no input, until the sound
// has been played out. Every other operation passes straight through.

#include "sound_operations.h"

namespace klavet {

class PaintingSound final : public SoundOperations {
public:
    explicit PaintingSound(SoundOperations& inner) : inner_(inner) {}
    void PlaySoundAsync(const std::string& path) override { inner_.PlaySoundAsync(path); }
    void PlaySoundSync(const std::string& path) override;
    void SetWaveVolume(std::uint32_t volume) override { inner_.SetWaveVolume(volume); }
    std::string SoundFilePath(std::string_view name) const override { return inner_.SoundFilePath(name); }

private:
    SoundOperations& inner_;
};

} // namespace klavet
