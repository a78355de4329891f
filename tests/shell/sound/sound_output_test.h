#pragma once

// The fixture of the sound output cases: each plays through a real stream and
// looks at the samples that came out of it, recorded by a private sound
// server's sink or, under SDL's dummy driver, by the output's tap. The same
// cases run on each target (see sound_capture.h).

#include "capture_test.h"
#include "test_waves.h"

#include <chrono>
#include <cstddef>
#include <string>
#include <thread>

namespace klavet::testing {

inline constexpr int kRate = 48000;
inline constexpr double kOnGain = 30000.0 / 65535.0;
inline constexpr int kFull = 16384; // amplitude of the test tones, half of full scale
inline constexpr int kQuiet = 40;   // below this a sample counts as silence

inline std::size_t Ms(double ms) {
    return static_cast<std::size_t>(ms * kRate / 1000);
}
inline double ToMs(std::size_t frames) {
    return 1000.0 * static_cast<double>(frames) / kRate;
}

class SoundOutputTest : public CaptureTest<SoundOutputTest> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(OpenOutput());
        WriteFile(dir_.Path("tone.wav"), WaveBytes(Sine(1000, 10, kRate, 0.5), 1, kRate, SampleKind::S16));
        WriteFile(dir_.Path("short.wav"), WaveBytes(Sine(1000, 0.2, kRate, 0.5), 1, kRate, SampleKind::S16));
    }

    // The key pressed on `path` and held for `hold`.
    HeldKey PressFor(const std::string& path, std::chrono::steady_clock::duration hold) {
        output_->SetWaveVolume(VolumeOn);
        output_->PlaySoundAsync(path);
        const auto pressed = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(hold);
        output_->SetWaveVolume(VolumeOff);
        return LetGo(pressed, std::chrono::steady_clock::now());
    }

    TempDir dir_;
};

} // namespace klavet::testing
