#pragma once

// A clip of one value throughout, for the mixer's tests.

#include "wave_file.h"

#include <cstddef>
#include <memory>

namespace klavet {

inline std::shared_ptr<const Clip> Constant(float value, std::size_t frames) {
    auto clip = std::make_shared<Clip>();
    clip->samples.assign(frames, value);
    return clip;
}

} // namespace klavet
