#include "default_sound.h"

#include <cmath>
#include <numbers>

namespace klavet {

std::shared_ptr<const Clip> MakeDefaultSound(int rate) {
    auto clip = std::make_shared<Clip>();
    const int frames = rate / 5;
    const int rise = rate / 200;
    clip->samples.resize(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double edge = i < rise ? 0.5 * (1 - std::cos(std::numbers::pi * i / rise)) : 1.0;
        const double decay = std::exp(-t / 0.05);
        const double tone =
            std::sin(2 * std::numbers::pi * 1000 * t) + 0.3 * std::sin(2 * std::numbers::pi * 2500 * t);
        clip->samples[static_cast<std::size_t>(i)] = static_cast<float>(0.45 * edge * decay * tone);
    }
    return clip;
}

} // namespace klavet
