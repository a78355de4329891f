#include "keying.h"

#include <limits>

namespace klavet {

namespace {

constexpr std::int16_t kMax = std::numeric_limits<std::int16_t>::max();

// Halves both calibration sums, keeping their ratio, when either is full.
void MakeRoom(TrainerState& state) {
    state.CalDots = static_cast<std::int16_t>((state.CalDots + 1) / 2);
    state.CalTicks = static_cast<std::int16_t>((state.CalTicks + 1) / 2);
}

} // namespace

void TrainerEngine::ChkVit_Click() {
    window_.SetCaption(Label::Label7, "");
    int value = window_.ChkVitValue();
    if (value == 1)
        state_.DecodeEnabled = kFalse;
    else if (value == 0)
        state_.DecodeEnabled = kTrue;
}

// Every calibrating press counts as a dot: the unit becomes the ticks of the
// earlier calibrating presses divided by the presses so far.
void TrainerEngine::CalibratingKeyDown() {
    if (state_.CalDots == kMax)
        MakeRoom(state_);
    state_.CalDots = static_cast<std::int16_t>(state_.CalDots + 1);
    window_.SetCaption(Label::Label9, DecimalText(state_.CalDots));
    state_.UnitTicks = RoundedQuotient(state_.CalTicks, state_.CalDots);
    window_.SetText(TextBox::TxtVit, DecimalText(state_.UnitTicks));
}

void TrainerEngine::CalibratingTick() {
    if (state_.CalTicks == kMax)
        MakeRoom(state_);
    state_.CalTicks = static_cast<std::int16_t>(state_.CalTicks + 1);
}

} // namespace klavet
