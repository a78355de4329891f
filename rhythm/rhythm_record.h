#pragma once

// The record of the learner's keying for the rhythm view: the sign being
// keyed and the twenty before it, and every calibrating press, fed by the
// keying handlers as they run. Kept in memory only. It times nothing itself
// and changes nothing of what the handlers do.

#include "keyed_sign.h"
#include "keying_listener.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace klavet {

class RhythmRecord final : public KeyingListener {
public:
    // Signs kept besides the one being keyed.
    static constexpr std::size_t kKeptSigns = 20;
    // Calibrating presses kept, the latest.
    static constexpr std::size_t kKeptCalibration = 1000;

    void KeyDown(std::int16_t idleTicks, bool newSign) override;
    void KeyUp(std::int16_t pressTicks, std::string_view element, std::int16_t unitTicks) override;
    void Decoded(std::string_view sign) override;
    void Played(std::string_view sign) override;
    void HandledLate(bool late) override { late_ = late; }

    // Oldest first; the last is the sign being keyed, or keyed last.
    const std::deque<KeyedSign>& Signs() const { return signs_; }
    // Calibrating presses, in ms, oldest first.
    const std::vector<double>& CalibrationPresses() const { return calibration_; }
    // Whether the latest release was a calibrating press.
    bool LastWasCalibrating() const { return lastWasCalibrating_; }
    // The sign played last, that the next sign keyed will be compared with;
    // empty when none waits.
    const std::string& Awaited() const { return awaited_; }

    // Called after every change of what the record holds, and only then.
    void OnChange(std::function<void()> changed) { changed_ = std::move(changed); }

private:
    void Changed() const;

    std::deque<KeyedSign> signs_;
    std::vector<double> calibration_;
    std::string awaited_;
    double gapBefore_ = 0;
    bool pressLate_ = false;
    bool keyDown_ = false;
    bool late_ = false;
    bool lastWasCalibrating_ = false;
    std::function<void()> changed_;
};

} // namespace klavet
