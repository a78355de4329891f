#include "sound_output.h"

#include "sdl_output.h"

namespace klavet {

std::unique_ptr<SoundOutput> CreateSoundOutput(const SoundOutputOptions& options) {
    return CreateSdlOutput(options);
}

std::unique_ptr<SoundOperations> CreateSoundOutput() {
    return CreateSoundOutput(SoundOutputOptions{});
}

} // namespace klavet
