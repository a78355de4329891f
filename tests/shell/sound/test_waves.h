#pragma once

// Wave files of any sample format for tests. The measuring of recorded sound
// comes with them (sound_measures.h), shared with the benchmarks.

#include "sound_measures.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace klavet::testing {

enum class SampleKind { U8, S16, S24, S32, F32, F64 };

// Wave bytes holding `interleaved` samples in -1..1.
std::vector<std::uint8_t> WaveBytes(const std::vector<double>& interleaved, int channels, int rate,
                                    SampleKind kind);

// A mono sine of `seconds`, amplitude `amplitude` of full scale.
std::vector<double> Sine(double frequency, double seconds, int rate, double amplitude);

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

// A temporary directory, removed with everything in it when destroyed.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string Path(const std::string& name) const { return dir_ + "/" + name; }

private:
    std::string dir_;
};

} // namespace klavet::testing
