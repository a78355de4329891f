#include "keying.h"
#include "sign_table.h"

#include <array>

namespace klavet {

namespace {
constexpr int kDecodeGapUnits = 3;
}

// Gap timer tick: counts the idle time and, once it exceeds three units,
// shows the sign that the six slots spell, on every tick of the gap.
void TrainerEngine::Timer2_Timer() {
    state_.IdleTicks = SaturatingIncrement(state_.IdleTicks);
    window_.SetText(TextBox::Text3, DecimalText(state_.IdleTicks));

    int threshold = kDecodeGapUnits * static_cast<int>(state_.UnitTicks);
    if (state_.IdleTicks > threshold && state_.DecodeEnabled == kTrue)
        Decode();
}

void TrainerEngine::Decode() {
    std::array<std::string, kSlotCount> captions;
    SlotPattern slots{};
    for (std::size_t k = 0; k < kSlotCount; ++k) {
        captions[k] = window_.Caption(kSlotLabels[k]);
        slots[k] = captions[k];
    }
    // No match leaves the result field as it was.
    if (const SignEntry* entry = FindBySlots(slots))
        window_.SetCaption(Label::Label7, entry->Sign);
}

} // namespace klavet
