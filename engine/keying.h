#pragma once

// The trainer's event handlers: key down and up on the key contact, the
// press and gap timer ticks, the calibration switch and the play button.
// They work on a TrainerState and reach the window and the sound only
// through the two operation interfaces; they own none of the three.

#include "keying_listener.h"
#include "sound_operations.h"
#include "trainer_state.h"
#include "window_operations.h"

#include <optional>
#include <string>
#include <string_view>

namespace klavet {

// The key's tooltip as the window starts (two blanks before "puis"), and the
// one each calibrating key down sets.
inline constexpr std::string_view kStartToolTip =
    " Une série de points pour calibrer la vitesse  puis désactivez le calibrage ";
inline constexpr std::string_view kCalibrationToolTip =
    " Une série de points pour calibrer la vitesse puis désactivez le calibrage ";

inline constexpr std::string_view kDot = ".";
inline constexpr std::string_view kDash = "-";

class TrainerEngine {
public:
    TrainerEngine(TrainerState& state, WindowOperations& window, SoundOperations& sound)
        : state_(state), window_(window), sound_(sound) {}

    // Keying (any mouse button, any modifier, anywhere on the contact).
    void Laklavet_MouseDown();
    void Laklavet_MouseUp();
    void Timer1_Timer();

    // Decoding.
    void Timer2_Timer();

    // Calibration switch changed.
    void ChkVit_Click();

    // Play button: holds the caller until the last element has sounded.
    void Command1_Click();

    // From now on, tells `listener` (null: nobody) of each press, release,
    // decoded sign and played sign.
    void Listen(KeyingListener* listener) { listener_ = listener; }

private:
    bool Calibrating() const { return window_.ChkVitValue() == 1; }
    bool NewSignDue() const;
    void ClearSign();
    void ClassifyPress();
    void WriteSlot();
    void CalibratingKeyDown();
    void CalibratingTick();
    void Decode();

    TrainerState& state_;
    WindowOperations& window_;
    SoundOperations& sound_;
    KeyingListener* listener_ = nullptr;
};

// How many ticks may pass before one that the learner could see: only a gap
// tick can change a shown field, when it decodes into the result field. That
// happens first on the tick that takes the idle count past three units, and
// after that only on the first tick after an event (an event may have written
// the result field; later ticks write the same sign again). Returns 1 for the
// next tick, more for a later one, nothing when no coming tick shows anything.
std::optional<std::int64_t> TicksUntilVisible(const TrainerState& state, bool gapTimerRunning,
                                              bool eventSinceLastTick);

// Upper case as in the C locale: only the letters a to z change; every other
// byte, UTF-8 sequences included, stays as it is.
std::string LatinUpperCase(std::string_view text);

// Plain decimal text of a 16-bit value: "-12", "0", "32767".
std::string DecimalText(std::int16_t value);

// A decimal integer in the 16-bit range ("8", "-3"), or nothing.
std::optional<std::int16_t> ParseDecimal(std::string_view text);

// Adds one, holding at the upper limit instead of wrapping.
std::int16_t SaturatingIncrement(std::int16_t value);

// Nearest integer to numerator / denominator, a tie going to the even one.
std::int16_t RoundedQuotient(std::int16_t numerator, std::int16_t denominator);

} // namespace klavet
