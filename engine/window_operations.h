#pragma once

// What the engine may do to the window: read and write captions and texts,
// read the calibration switch, show a key picture, switch a timer, set the
// key's tooltip. The shell implements it over real widgets; tests use a fake.

#include "controls.h"

#include <string>
#include <string_view>

namespace klavet {

class WindowOperations {
public:
    virtual ~WindowOperations() = default;

    virtual std::string Caption(Label label) const = 0;
    virtual void SetCaption(Label label, std::string_view text) = 0;
    virtual std::string Text(TextBox box) const = 0;
    virtual void SetText(TextBox box, std::string_view text) = 0;

    // Value of the calibration switch: 1 ticked, 0 not ticked.
    virtual int ChkVitValue() const = 0;

    virtual void SetPictureVisible(Picture picture, bool visible) = 0;
    virtual void SetTimerEnabled(Timer timer, bool enabled) = 0;
    virtual void SetKeyToolTip(std::string_view text) = 0;

    // Locale-aware upper-casing of UTF-8 text, as the toolkit does it.
    virtual std::string UpperCase(std::string_view text) const = 0;
};

} // namespace klavet
