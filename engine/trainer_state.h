#pragma once

// The run-time record of the trainer: counters that time presses and gaps,
// the position in the sign being keyed, the speed unit and the calibration
// sums. Plain data owned by the main window; the handlers read and write it
// directly. Values that the window shows (element slots, speed field, tick
// displays) live in the window's controls, not here.

#include <cstdint>
#include <string>

namespace klavet {

struct TrainerState {
    std::int32_t MixerTaskId = 0; // process id of the last mixer started; never read
    std::string ChosenSign;       // upper-cased sign box text at the last play press
    std::int16_t ElementIndex = 0; // 1..6: slot the coming release fills; 7: sign full
    std::string CurrentElement;   // "." or "-" decided at the last classified release
    std::int16_t UnitTicks = 0;   // length of one dot, in ticks
    std::int16_t PressTicks = 0;  // press-timer ticks of the current press
    std::int16_t IdleTicks = 0;   // gap-timer ticks since the last key down
    std::int16_t CalDots = 0;     // calibrating key downs
    std::int16_t CalTicks = 0;    // calibrating press-timer ticks
    std::int16_t DecodeEnabled = 0; // 0 = false, -1 = true
};

inline constexpr std::int16_t kTrue = -1;
inline constexpr std::int16_t kFalse = 0;

} // namespace klavet
