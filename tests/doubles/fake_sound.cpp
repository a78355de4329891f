#include "fake_sound.h"

namespace klavet::testing {

void FakeSound::PlaySoundSync(const std::string& path) {
    Record("sync " + path);
    if (onPlay)
        onPlay(path);
}

void FakeSound::SetWaveVolume(std::uint32_t v) {
    volume = v;
    Record(v == VolumeOn ? "volume on" : v == VolumeOff ? "volume off" : "volume " + std::to_string(v));
}

std::vector<std::string> FakeSound::Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

void FakeSound::Clear() {
    std::lock_guard lock(mutex_);
    calls_.clear();
}

void FakeSound::Record(std::string call) {
    std::lock_guard lock(mutex_);
    calls_.push_back(call);
    if (log)
        log->push_back(std::move(call));
}

} // namespace klavet::testing
