#include "sound_output.h"

namespace klavet {

namespace {

// Plays nothing; stands in until a real backend is there.
class SilentOutput final : public SoundOperations {
public:
    void PlaySoundAsync(const std::string&) override {}
    void PlaySoundSync(const std::string&) override {}
    void SetWaveVolume(std::uint32_t) override {}
    std::string SoundFilePath(std::string_view name) const override { return std::string(name); }
};

} // namespace

std::unique_ptr<SoundOperations> CreateSoundOutput() { return std::make_unique<SilentOutput>(); }

} // namespace klavet
