#pragma once

// A recording stand-in for the sound operations: every call is kept in
// order ("volume on", "async /opt/klavet/tok.wav", "sync ..."), optionally
// also in a log shared with the fake window. It plays nothing; a blocking
// play may run a hook instead, on whatever thread calls it.

#include "sound_operations.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace klavet::testing {

class FakeSound final : public SoundOperations {
public:
    void PlaySoundAsync(const std::string& path) override { Record("async " + path); }
    void PlaySoundSync(const std::string& path) override;
    void SetWaveVolume(std::uint32_t volume) override;
    std::string SoundFilePath(std::string_view name) const override { return "/opt/klavet" + std::string(name); }

    std::vector<std::string> Calls() const;
    void Clear();

    std::atomic<std::uint32_t> volume{0xFFFFFFFFu}; // never set
    std::vector<std::string>* log = nullptr;
    std::function<void(const std::string& path)> onPlay;

private:
    void Record(std::string call);

    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
};

} // namespace klavet::testing
