#include "mixer.h"

#include <algorithm>
#include <chrono>
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

float Sample(const Clip& clip, std::size_t frame, int channel) {
    return clip.channels == 1 ? clip.samples[frame] : clip.samples[2 * frame + channel];
}

constexpr std::size_t kScratchFrames = 4096;

} // namespace

Mixer::Mixer(const MixerSettings& settings)
    : settings_(settings), history_(std::max<std::size_t>(1, settings.historyBlocks)),
      scratch_(2 * kScratchFrames) {
    const auto frames = std::max<std::size_t>(1, std::lround(settings.rampSeconds * settings.rate));
    rampShape_.resize(frames);
    for (std::size_t k = 0; k < frames; ++k)
        rampShape_[k] = static_cast<float>(0.5 * (1.0 - std::cos(std::numbers::pi * (k + 1) / frames)));
    state_.rampDone = frames;
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

// The count is odd while a start is being written. Its id and frame are
// written with release and read with acquire, and no fence is needed: a
// reader that sees either of a newer start also sees the odd count written
// before it, and reads again.
MixerStart Mixer::LastStart() const {
    for (;;) {
        const std::uint32_t before = startSeq_.load(std::memory_order_acquire);
        const MixerStart start{startId_.load(std::memory_order_acquire),
                               startFrame_.load(std::memory_order_acquire)};
        if ((before & 1u) == 0 && startSeq_.load(std::memory_order_relaxed) == before)
            return start;
    }
}

void Mixer::PublishStart() {
    const std::uint32_t seq = startSeq_.load(std::memory_order_relaxed);
    startSeq_.store(seq + 1, std::memory_order_relaxed);
    startId_.store(state_.started.id, std::memory_order_release);
    startFrame_.store(state_.started.frame, std::memory_order_release);
    startSeq_.store(seq + 2, std::memory_order_release);
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

bool Mixer::HasInput() const {
    return pending_.load() != nullptr || volume_.load() != state_.volumeSeen;
}

void Mixer::Apply() {
    TakeVolume();
    TakePending();
    inputFrame_ = state_.position;
    PublishStart();
}

void Mixer::Hush() {
    State& s = state_;
    s.fading = {};
    if (s.current.clip)
        s.current.rise = 0;
    inputFrame_ = s.position;
}

void Mixer::Render(std::int16_t* out, std::size_t frames) {
    Remember();
    if (Idle())
        ProduceSilence(out, frames);
    else
        Produce(out, frames);
    idleFrames_ = Idle() ? idleFrames_ + frames : 0;
    PublishStart();
}

void Mixer::Remember() {
    const std::size_t capacity = history_.size();
    if (historyCount_ == capacity) {
        historyFirst_ = (historyFirst_ + 1) % capacity;
        --historyCount_;
    }
    history_[(historyFirst_ + historyCount_) % capacity] = state_;
    ++historyCount_;
}

bool Mixer::RewindTo(std::uint64_t frame) {
    if (frame > state_.position || frame < inputFrame_)
        return false;
    if (frame == state_.position)
        return true;
    const std::size_t capacity = history_.size();
    std::size_t kept = historyCount_;
    while (kept > 0 && history_[(historyFirst_ + kept - 1) % capacity].position > frame)
        --kept;
    if (kept == 0)
        return false;
    state_ = history_[(historyFirst_ + kept - 1) % capacity];
    historyCount_ = kept;
    for (std::uint64_t left = frame - state_.position; left > 0;) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(left, kScratchFrames));
        Produce(scratch_.data(), n);
        left -= n;
    }
    PublishStart();
    return true;
}

void Mixer::Produce(std::int16_t* out, std::size_t frames) {
    const std::size_t rampFrames = rampShape_.size();
    State& s = state_;
    for (std::size_t i = 0; i < frames; ++i) {
        float voice[2] = {0, 0};
        float fading[2] = {0, 0};
        MixFrame(voice, fading);
        for (int c = 0; c < 2; ++c) {
            float gain = s.gainTo[c];
            if (s.rampDone < rampFrames)
                gain = s.gainFrom[c] + (s.gainTo[c] - s.gainFrom[c]) * rampShape_[s.rampDone];
            s.gainNow[c] = gain;
            out[2 * i + c] = ToSample(voice[c] * gain + fading[c]);
        }
        if (s.rampDone < rampFrames)
            ++s.rampDone;
        ++s.position;
    }
}

// Idle, nothing can sound until new input comes: the frames are silent at
// once, without mixing them one by one.
void Mixer::ProduceSilence(std::int16_t* out, std::size_t frames) {
    std::fill(out, out + 2 * frames, std::int16_t{0});
    State& s = state_;
    for (int c = 0; c < 2; ++c)
        s.gainNow[c] = s.gainTo[c];
    MoveOnSilently(frames);
    s.position += frames;
}

bool Mixer::Idle() const {
    const State& s = state_;
    if (s.next.clip || s.fading.clip || s.rampDone < rampShape_.size())
        return false;
    if (!s.current.clip)
        return true;
    return !s.current.follows && s.gainTo[0] == 0.0f && s.gainTo[1] == 0.0f;
}

bool Mixer::Playing() const {
    const State& s = state_;
    return s.current.clip || s.next.clip || s.fading.clip;
}

// A long idle silence sleeps the audio thread until the next call, so that a
// stream with nothing to play costs no wake-ups. A sound started silent keeps
// its place in time: the sleep is skipped over when it ends.
void Mixer::ParkIfIdle(std::size_t frames) {
    if (settings_.parkAfterFrames == 0 || idleFrames_ < settings_.parkAfterFrames || holdAwake_.load())
        return;
    const auto start = std::chrono::steady_clock::now();
    const std::uint32_t seen = wakeCount_.load();
    parked_.store(true);
    if (!pending_.load() && volume_.load() == state_.volumeSeen && !holdAwake_.load()) {
        while (wakeCount_.load() == seen)
            wakeCount_.wait(seen);
    }
    parked_.store(false);
    const std::chrono::duration<double> slept = std::chrono::steady_clock::now() - start;
    Skip(static_cast<std::size_t>(slept.count() * settings_.rate) + frames);
    idleFrames_ = 0;
}

void Mixer::TakePending() {
    SoundRequest* request = pending_.exchange(nullptr);
    if (!request)
        return;
    Voice voice{request->clip, request->id, request->follows};
    request->released.store(true);
    State& s = state_;
    if (voice.follows && s.current.clip && s.current.follows) {
        s.next = std::move(voice);
        return;
    }
    s.next = {};
    FadeOut(s.current);
    // A sound starting afresh rises over the ramp by itself, at the level last
    // set: a volume change made just before it ramps nothing else.
    s.current = std::move(voice);
    s.current.rise = 0;
    for (int c = 0; c < 2; ++c)
        s.gainNow[c] = s.gainFrom[c] = s.gainTo[c];
    s.rampDone = rampShape_.size();
    s.started = {s.current.id, s.position};
}

void Mixer::TakeVolume() {
    State& s = state_;
    const std::uint32_t word = volume_.load();
    if (word == s.volumeSeen)
        return;
    s.volumeSeen = word;
    for (int c = 0; c < 2; ++c) {
        s.gainFrom[c] = s.gainNow[c];
        s.gainTo[c] = Level(word, c);
    }
    s.rampDone = 0;
    // A key tone silenced by a release is over: only a new sound is heard
    // again, never the rest of this one.
    if (s.gainTo[0] == 0.0f && s.gainTo[1] == 0.0f && s.current.clip && !s.current.follows)
        FadeOut(s.current);
}

// A voice cut while heard fades out over the ramp at the level it had; one
// that is silent, or has not begun to rise, just ends.
void Mixer::FadeOut(Voice& voice) {
    State& s = state_;
    if (voice.clip && voice.rise != 0 && (s.gainNow[0] > 0.0f || s.gainNow[1] > 0.0f)) {
        s.fading = std::move(voice);
        s.fading.fade = 0;
        s.fadeGain[0] = s.gainNow[0];
        s.fadeGain[1] = s.gainNow[1];
    }
    voice = {};
}

void Mixer::Skip(std::size_t frames) {
    historyCount_ = 0;
    MoveOnSilently(frames);
}

// A voice that cannot be heard moves on through its clip as if it sounded,
// and ends where it would have.
void Mixer::MoveOnSilently(std::size_t frames) {
    State& s = state_;
    Voice& voice = s.current;
    if (!voice.clip)
        return;
    if (voice.rise < rampShape_.size())
        voice.rise = std::min(rampShape_.size(), voice.rise + frames);
    const std::size_t left = voice.clip->Frames() - voice.position;
    if (frames < left) {
        voice.position += frames;
        return;
    }
    EndCurrent(s.position + left);
}

// The queued voice, if any, takes over on `frame`.
void Mixer::EndCurrent(std::uint64_t frame) {
    State& s = state_;
    s.current = std::move(s.next);
    s.next = {};
    if (s.current.clip)
        s.started = {s.current.id, frame};
}

void Mixer::MixFrame(float voice[2], float fading[2]) {
    State& s = state_;
    if (s.current.clip) {
        const Clip& clip = *s.current.clip;
        const std::size_t p = s.current.position++;
        const float rise = s.current.rise < rampShape_.size() ? rampShape_[s.current.rise++] : 1.0f;
        voice[0] = rise * Sample(clip, p, 0);
        voice[1] = rise * Sample(clip, p, 1);
        if (s.current.position >= clip.Frames())
            EndCurrent(s.position + 1);
    }
    if (s.fading.clip) {
        const Clip& clip = *s.fading.clip;
        const std::size_t p = s.fading.position++;
        const float rise = s.fading.rise < rampShape_.size() ? rampShape_[s.fading.rise++] : 1.0f;
        const float gain = rise * (1.0f - rampShape_[s.fading.fade++]);
        fading[0] = gain * s.fadeGain[0] * Sample(clip, p, 0);
        fading[1] = gain * s.fadeGain[1] * Sample(clip, p, 1);
        if (s.fading.fade >= rampShape_.size() || s.fading.position >= clip.Frames())
            s.fading = {};
    }
}

} // namespace klavet
