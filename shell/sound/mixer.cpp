#include "mixer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace klavet {

namespace {

std::int16_t ToSample(float x) {
    const float scaled = std::clamp(x * 32768.0f, -32768.0f, 32767.0f);
    return static_cast<std::int16_t>(std::lrint(scaled));
}

float Level(std::uint32_t word, int channel) {
    return static_cast<float>((word >> (16 * channel)) & 0xFFFFu) / 65535.0f;
}

} // namespace

Mixer::Mixer(const MixerSettings& settings) : settings_(settings) {
    const auto frames = std::max<std::size_t>(1, std::lround(settings.rampSeconds * settings.rate));
    rampShape_.resize(frames);
    for (std::size_t k = 0; k < frames; ++k)
        rampShape_[k] = static_cast<float>(0.5 * (1.0 - std::cos(std::numbers::pi * (k + 1) / frames)));
    rampDone_ = frames;
}

Mixer::~Mixer() = default;

SoundRequest* Mixer::Post(SoundRequest* request) {
    SoundRequest* untaken = pending_.exchange(request);
    Wake();
    return untaken;
}

void Mixer::SetVolume(std::uint32_t word) {
    volume_.store(word);
    Wake();
}

MixerProgress Mixer::Progress() const {
    const std::uint64_t packed = progress_.load();
    return {static_cast<std::uint32_t>(packed >> 32), static_cast<std::uint32_t>(packed)};
}

void Mixer::HoldAwake(bool hold) {
    holdAwake_.store(hold);
    Wake();
}

void Mixer::Wake() {
    wakeCount_.fetch_add(1);
    if (parked_.load())
        wakeCount_.notify_all();
}

void Mixer::Render(std::int16_t* out, std::size_t frames) {
    ParkIfIdle(frames);
    TakeVolume();
    TakePending();
    const std::size_t rampFrames = rampShape_.size();
    for (std::size_t i = 0; i < frames; ++i) {
        float voice[2] = {0, 0};
        float fading[2] = {0, 0};
        MixFrame(voice, fading);
        for (int c = 0; c < 2; ++c) {
            float gain = gainTo_[c];
            if (rampDone_ < rampFrames)
                gain = gainFrom_[c] + (gainTo_[c] - gainFrom_[c]) * rampShape_[rampDone_];
            gainNow_[c] = gain;
            out[2 * i + c] = ToSample(voice[c] * gain + fading[c]);
        }
        if (rampDone_ < rampFrames)
            ++rampDone_;
    }
    PublishProgress();
    idleFrames_ = Idle() ? idleFrames_ + frames : 0;
}

bool Mixer::Idle() const {
    if (next_.request || fading_.request || rampDone_ < rampShape_.size())
        return false;
    if (!current_.request)
        return true;
    return !current_.request->follows && gainTo_[0] == 0.0f && gainTo_[1] == 0.0f;
}

// A long idle silence sleeps the audio thread until the next call, so that a
// stream with nothing to play costs no wake-ups. The silenced key tone keeps
// its place in time: the sleep is skipped over when it ends.
void Mixer::ParkIfIdle(std::size_t frames) {
    if (settings_.parkAfterFrames == 0 || idleFrames_ < settings_.parkAfterFrames || holdAwake_.load())
        return;
    const auto start = std::chrono::steady_clock::now();
    const std::uint32_t seen = wakeCount_.load();
    parked_.store(true);
    if (!pending_.load() && volume_.load() == volumeSeen_ && !holdAwake_.load()) {
        while (wakeCount_.load() == seen)
            wakeCount_.wait(seen);
    }
    parked_.store(false);
    const std::chrono::duration<double> slept = std::chrono::steady_clock::now() - start;
    Skip(current_, static_cast<std::size_t>(slept.count() * settings_.rate) + frames);
    idleFrames_ = 0;
}

void Mixer::TakePending() {
    SoundRequest* request = pending_.exchange(nullptr);
    if (!request)
        return;
    if (request->follows && current_.request && current_.request->follows) {
        Release(next_);
        next_ = {request};
        return;
    }
    Release(next_);
    Release(fading_);
    // A sound cut while heard fades out over the ramp at the level it had.
    if (current_.request && (gainNow_[0] > 0.0f || gainNow_[1] > 0.0f)) {
        fading_ = current_;
        fading_.fade = 0;
        fadeGain_[0] = gainNow_[0];
        fadeGain_[1] = gainNow_[1];
        current_ = {};
    }
    Release(current_);
    // A sound starting afresh rises over the ramp by itself, at the level last
    // set: a volume change made just before it ramps nothing else. One that
    // follows another joins it as it is.
    current_ = {request};
    current_.rise = 0;
    for (int c = 0; c < 2; ++c)
        gainNow_[c] = gainFrom_[c] = gainTo_[c];
    rampDone_ = rampShape_.size();
}

void Mixer::TakeVolume() {
    const std::uint32_t word = volume_.load();
    if (word == volumeSeen_)
        return;
    volumeSeen_ = word;
    for (int c = 0; c < 2; ++c) {
        gainFrom_[c] = gainNow_[c];
        gainTo_[c] = Level(word, c);
    }
    rampDone_ = 0;
}

void Mixer::Release(Voice& voice) {
    if (voice.request)
        voice.request->released.store(true);
    voice = {};
}

void Mixer::Skip(Voice& voice, std::size_t frames) {
    if (!voice.request)
        return;
    voice.position += frames;
    if (voice.position >= voice.request->clip->Frames())
        EndCurrent();
}

void Mixer::EndCurrent() {
    lastId_ = current_.request->id;
    Release(current_);
    std::swap(current_, next_);
}

void Mixer::MixFrame(float voice[2], float fading[2]) {
    if (current_.request) {
        const Clip& clip = *current_.request->clip;
        const std::size_t p = current_.position++;
        const float rise = current_.rise < rampShape_.size() ? rampShape_[current_.rise++] : 1.0f;
        voice[0] = rise * (clip.channels == 1 ? clip.samples[p] : clip.samples[2 * p]);
        voice[1] = rise * (clip.channels == 1 ? clip.samples[p] : clip.samples[2 * p + 1]);
        if (current_.position >= clip.Frames())
            EndCurrent();
    }
    if (fading_.request) {
        const Clip& clip = *fading_.request->clip;
        const std::size_t p = fading_.position++;
        const float rise = fading_.rise < rampShape_.size() ? rampShape_[fading_.rise++] : 1.0f;
        const float gain = rise * (1.0f - rampShape_[fading_.fade++]);
        fading[0] = gain * fadeGain_[0] * (clip.channels == 1 ? clip.samples[p] : clip.samples[2 * p]);
        fading[1] = gain * fadeGain_[1] * (clip.channels == 1 ? clip.samples[p] : clip.samples[2 * p + 1]);
        if (fading_.fade >= rampShape_.size() || fading_.position >= clip.Frames())
            Release(fading_);
    }
}

void Mixer::PublishProgress() {
    std::uint64_t id = lastId_;
    std::uint64_t remaining = 0;
    if (current_.request) {
        id = current_.request->id;
        remaining = std::min<std::size_t>(current_.request->clip->Frames() - current_.position, UINT32_MAX);
    }
    progress_.store(id << 32 | remaining);
}

} // namespace klavet
