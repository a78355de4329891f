// Writes the trainer's three sound files into the directory given: di.wav (a
// dot and a dot of silence), da.wav (a dash, three dots long, and a dot of
// silence) and tok.wav (the key tone, long enough for any press).

#include "wave_tone.h"

#include <cstdio>
#include <string>

namespace {

constexpr double kDotSeconds = 0.1; // about 12 words per minute
constexpr double kKeyToneSeconds = 40.0;

bool Write(const std::string& path, const klavet::tools::ToneShape& shape) {
    const auto samples = klavet::tools::SynthesizeTone(shape);
    return klavet::tools::WriteBytes(path, klavet::tools::EncodeWave16(samples, 1, shape.rate));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    klavet::tools::ToneShape dot;
    dot.toneSeconds = kDotSeconds;
    dot.silenceSeconds = kDotSeconds;
    klavet::tools::ToneShape dash = dot;
    dash.toneSeconds = 3 * kDotSeconds;
    klavet::tools::ToneShape key = dot;
    key.toneSeconds = kKeyToneSeconds;
    key.silenceSeconds = 0;
    if (!Write(dir + "/di.wav", dot) || !Write(dir + "/da.wav", dash) || !Write(dir + "/tok.wav", key)) {
        std::fprintf(stderr, "%s: cannot write the sound files into %s\n", argv[0], dir.c_str());
        return 1;
    }
    return 0;
}
