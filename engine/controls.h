#pragma once

// Names of the window controls that the engine reads and writes. The window
// maps each name to its own widget; the engine never sees the widgets.

#include <array>

namespace klavet {

enum class Label {
    Label2, // element slot 1
    Label3, // element slot 2
    Label4, // element slot 3
    Label5, // element slot 4
    Label6, // element slot 5
    Label8, // element slot 6
    Label7, // result field
    Label9, // calibration press count
    signe,  // code field
};

enum class TextBox {
    Text1,  // sign box
    Text2,  // ticks of the last press
    Text3,  // idle ticks
    TxtVit, // speed unit
};

enum class Picture { Picture1, Picture2 };
enum class Timer { Timer1, Timer2 };

// The six element slots, slot 1 first.
inline constexpr std::array<Label, 6> kSlotLabels = {
    Label::Label2, Label::Label3, Label::Label4, Label::Label5, Label::Label6, Label::Label8,
};

} // namespace klavet
