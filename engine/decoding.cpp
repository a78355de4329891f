#include "keying.h"
#include "sign_table.h"

#include <array>
#include <limits>

namespace klavet {

namespace {

constexpr int kDecodeGapUnits = 3;

// Formed in wide arithmetic, so that a large unit means a long gap rather
// than a wrapped one.
std::int64_t DecodeThreshold(const TrainerState& state) {
    return kDecodeGapUnits * static_cast<std::int64_t>(state.UnitTicks);
}

bool DecodeDue(const TrainerState& state) {
    return state.DecodeEnabled == kTrue && state.IdleTicks > DecodeThreshold(state);
}

} // namespace

// Gap timer tick: counts the idle time and, once it exceeds three units,
// shows the sign that the six slots spell, on every tick of the gap.
void TrainerEngine::Timer2_Timer() {
    state_.IdleTicks = SaturatingIncrement(state_.IdleTicks);
    window_.SetText(TextBox::Text3, DecimalText(state_.IdleTicks));

    if (DecodeDue(state_))
        Decode();
}

std::optional<std::int64_t> TicksUntilVisible(const TrainerState& state, bool gapTimerRunning,
                                              bool eventSinceLastTick) {
    if (!gapTimerRunning || state.DecodeEnabled != kTrue)
        return std::nullopt;
    if (DecodeDue(state))
        return eventSinceLastTick ? std::optional<std::int64_t>(1) : std::nullopt;
    // The idle count holds at its 16-bit limit.
    const std::int64_t threshold = DecodeThreshold(state);
    if (threshold >= std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    return threshold + 1 - state.IdleTicks;
}

void TrainerEngine::Decode() {
    std::array<std::string, kSlotCount> captions;
    SlotPattern slots{};
    for (std::size_t k = 0; k < kSlotCount; ++k) {
        captions[k] = window_.Caption(kSlotLabels[k]);
        slots[k] = captions[k];
    }
    // No match leaves the result field as it was.
    if (const SignEntry* entry = FindBySlots(slots)) {
        window_.SetCaption(Label::Label7, entry->Sign);
        if (listener_)
            listener_->Decoded(entry->Sign);
    }
}

} // namespace klavet
