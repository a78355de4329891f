#include "keying.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace klavet {

namespace {

constexpr int kNewSignGapUnits = 5;
constexpr std::int16_t kFullSign = 7;
constexpr double kDashThreshold = 1.8;
constexpr double kDashMargin = 0.1;

} // namespace

std::string LatinUpperCase(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

std::string DecimalText(std::int16_t value) { return std::to_string(value); }

std::optional<std::int16_t> ParseDecimal(std::string_view text) {
    std::int16_t value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc{} || ptr != end)
        return std::nullopt;
    return value;
}

std::int16_t SaturatingIncrement(std::int16_t value) {
    if (value == std::numeric_limits<std::int16_t>::max())
        return value;
    return static_cast<std::int16_t>(value + 1);
}

std::int16_t RoundedQuotient(std::int16_t numerator, std::int16_t denominator) {
    double quotient = static_cast<double>(numerator) / static_cast<double>(denominator);
    // nearbyint rounds to nearest with ties to even in the default mode.
    return static_cast<std::int16_t>(std::nearbyint(quotient));
}

// A new sign begins after a gap of more than five units or after a full
// sign. The product is formed in wide arithmetic, so a large unit means a
// long gap rather than a wrapped one.
bool TrainerEngine::NewSignDue() const {
    int gapLimit = kNewSignGapUnits * static_cast<int>(state_.UnitTicks);
    return state_.IdleTicks > gapLimit || state_.ElementIndex == kFullSign;
}

void TrainerEngine::ClearSign() {
    window_.SetCaption(Label::Label2, "");
    window_.SetCaption(Label::Label3, "");
    window_.SetCaption(Label::Label4, "");
    window_.SetCaption(Label::Label5, "");
    window_.SetCaption(Label::Label6, "");
    window_.SetCaption(Label::Label7, "");
    window_.SetCaption(Label::Label8, "");
    state_.ElementIndex = 0;
}

void TrainerEngine::Laklavet_MouseDown() {
    window_.SetKeyToolTip(Calibrating() ? kCalibrationToolTip : std::string_view{});
    const bool newSign = NewSignDue();
    const std::int16_t idleTicks = state_.IdleTicks;
    if (newSign)
        ClearSign();

    window_.SetPictureVisible(Picture::Picture1, false);
    window_.SetPictureVisible(Picture::Picture2, true);

    sound_.SetWaveVolume(VolumeOn);
    sound_.PlaySoundAsync(sound_.SoundFilePath(kKeyToneFile));

    window_.SetTimerEnabled(Timer::Timer1, true);
    window_.SetTimerEnabled(Timer::Timer2, false);

    state_.ElementIndex = static_cast<std::int16_t>(state_.ElementIndex + 1);
    state_.IdleTicks = 0;

    if (Calibrating())
        CalibratingKeyDown();
    if (listener_)
        listener_->KeyDown(idleTicks, newSign);
}

void TrainerEngine::Timer1_Timer() {
    // Text that is not a 16-bit decimal leaves the unit as it was.
    if (auto unit = ParseDecimal(window_.Text(TextBox::TxtVit)))
        state_.UnitTicks = *unit;
    state_.PressTicks = SaturatingIncrement(state_.PressTicks);
    if (Calibrating())
        CalibratingTick();
}

void TrainerEngine::Laklavet_MouseUp() {
    window_.SetPictureVisible(Picture::Picture1, true);
    window_.SetPictureVisible(Picture::Picture2, false);

    sound_.SetWaveVolume(VolumeOff);

    window_.SetTimerEnabled(Timer::Timer1, false);
    window_.SetTimerEnabled(Timer::Timer2, true);

    window_.SetText(TextBox::Text2, DecimalText(state_.PressTicks));

    const bool judged = window_.ChkVitValue() == 0;
    if (judged) {
        ClassifyPress();
        WriteSlot();
    }
    if (listener_)
        listener_->KeyUp(state_.PressTicks, judged ? std::string_view(state_.CurrentElement) : std::string_view{},
                         state_.UnitTicks);
    state_.PressTicks = 0;
}

// A press shorter than 1.8 units is a dot, any other a dash. Both tests are
// made, the dash test last, exactly as in double precision.
void TrainerEngine::ClassifyPress() {
    double dotLimit = static_cast<double>(state_.UnitTicks) * kDashThreshold;
    if (dotLimit > state_.PressTicks)
        state_.CurrentElement = kDot;
    double dashLimit = static_cast<double>(state_.UnitTicks) * kDashThreshold - kDashMargin;
    if (dashLimit < state_.PressTicks)
        state_.CurrentElement = kDash;
}

void TrainerEngine::WriteSlot() {
    int index = state_.ElementIndex;
    if (index >= 1 && index <= static_cast<int>(kSlotLabels.size()))
        window_.SetCaption(kSlotLabels[static_cast<std::size_t>(index - 1)], state_.CurrentElement);
}

} // namespace klavet
