#pragma once

// Every sound and every volume change of the trainer goes through this
// interface. One voice: starting a sound ends the one still running. The
// volume belongs to the output, not to a sound, and stays as last set.

#include <cstdint>
#include <string>
#include <string_view>

namespace klavet {

// Volume words: low 16 bits the left level, high 16 bits the right level,
// each 0..65535. The key tone and the elements are heard on both channels.
inline constexpr std::uint32_t VolumeOn = 0x75307530u;
inline constexpr std::uint32_t VolumeOff = 0u;

inline constexpr std::string_view kDotFile = "/di.wav";
inline constexpr std::string_view kDashFile = "/da.wav";
inline constexpr std::string_view kKeyToneFile = "/tok.wav";

class SoundOperations {
public:
    virtual ~SoundOperations() = default;

    // Starts the file and returns at once; a missing file plays a default sound.
    virtual void PlaySoundAsync(const std::string& path) = 0;
    // Returns once the file has been played out; a missing file is silent.
    virtual void PlaySoundSync(const std::string& path) = 0;
    virtual void SetWaveVolume(std::uint32_t volume) = 0;
    // The executable's directory followed directly by name ("/di.wav").
    virtual std::string SoundFilePath(std::string_view name) const = 0;
};

} // namespace klavet
