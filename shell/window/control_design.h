#pragma once

// The design values of the main window's controls: name, kind, caption or
// text, place and size in twips, font, alignment, shown or hidden, and what
// assistive tools are told of each. Data only; the window builds its widgets
// from it and adds the few properties that no column holds.

#include <QColor>
#include <QRect>

#include <array>

namespace klavet {

enum class ControlKind { Button, CheckBox, TextBox, PictureButton, PictureBox, Label };

// No family: the window's own font (24 pt bold).
struct FontDesign {
    const char* family = nullptr;
    double points = 0;
    bool bold = false;
};

struct ControlDesign {
    const char* name;
    ControlKind kind;
    const char* text; // caption or text, UTF-8
    QRect twips;      // left, top, width, height
    FontDesign font;
    bool shown;
    bool centred;
    QColor face;                       // picture buttons only
    const char* accessibleName;        // nullptr: the caption speaks for itself
    const char* accessibleDescription; // nullptr: none
};

// Every control that is a widget, in the order in which the window lists them.
extern const std::array<ControlDesign, 22> kControlDesigns;

// Shape1: the rounded frame drawn on the panel; it takes no input.
inline constexpr QRect kShape1Twips{240, 220, 5415, 3975};
inline constexpr double kShape1CornerRadius = 22;
inline constexpr QColor kShape1Colour{0, 0, 192};

inline constexpr QColor kSignBoxBlue{0, 0, 255};   // Text1's text
inline constexpr QColor kResultGrey{224, 224, 224}; // Label7's background

} // namespace klavet
