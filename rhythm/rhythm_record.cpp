#include "rhythm_record.h"

namespace klavet {

void RhythmRecord::KeyDown(std::int16_t idleTicks, bool newSign) {
    pressLate_ = late_;
    keyDown_ = true;
    if (newSign || signs_.empty()) {
        if (signs_.size() > kKeptSigns)
            signs_.pop_front();
        signs_.emplace_back();
        signs_.back().expected = std::move(awaited_);
        awaited_.clear();
        Changed();
    }
    gapBefore_ = idleTicks;
}

void RhythmRecord::KeyUp(std::int16_t pressTicks, std::string_view element, std::int16_t unitTicks) {
    if (signs_.empty())
        return;
    KeyedSign& sign = signs_.back();
    const bool late = pressLate_ || late_;
    keyDown_ = false;
    lastWasCalibrating_ = element.empty();
    if (element.empty()) {
        if (!late) {
            if (calibration_.size() == kKeptCalibration)
                calibration_.erase(calibration_.begin());
            calibration_.push_back(pressTicks);
        }
        sign.mixed = true;
    } else if (late) {
        sign.late = true;
    } else {
        if (!sign.marks.empty())
            sign.gaps.push_back(gapBefore_);
        sign.marks.push_back(pressTicks);
        sign.elements += element.front();
    }
    sign.calibratedUnitMs = unitTicks;
    sign.calibrated = !calibration_.empty();
    Changed();
}

void RhythmRecord::Decoded(std::string_view sign) {
    if (signs_.empty() || signs_.back().decoded == sign)
        return;
    signs_.back().decoded = sign;
    Changed();
}

// A press held through a playback was not timed while the sign played.
void RhythmRecord::Played(std::string_view sign) {
    pressLate_ = pressLate_ || keyDown_;
    awaited_ = sign;
    Changed();
}

void RhythmRecord::Changed() const {
    if (changed_)
        changed_();
}

} // namespace klavet
