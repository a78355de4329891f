#pragma once

// Wave files of any sample format for tests, and the measuring of recorded
// stereo sound: where it sounds, how loud, and whether it jumps.

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

// A stretch of frames [begin, end).
struct Segment {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t Length() const { return end - begin; }
};

// Stretches of one channel of interleaved stereo where |sample| > threshold;
// quieter runs shorter than `bridge` frames (a tone's zero crossings) join.
std::vector<Segment> Sounding(const std::vector<std::int16_t>& stereo, int channel, int threshold,
                              std::size_t bridge = 48);

int Peak(const std::vector<std::int16_t>& stereo, int channel, std::size_t begin, std::size_t end);

// The largest second difference of one channel: small for a smooth tone and
// its ramps, large at a click.
int MaxBend(const std::vector<std::int16_t>& stereo, int channel);
// The frames where one channel bends by `limit` or more.
std::vector<std::size_t> Bends(const std::vector<std::int16_t>& stereo, int channel, int limit);

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
