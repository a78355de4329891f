#pragma once

// Makes one of the main window's controls from its design values: the widget
// of its kind, named, placed, with its font, text and what assistive tools are
// told of it. The window adds what no design column holds.

#include "control_design.h"

class QWidget;

namespace klavet {

QWidget* CreateControl(const ControlDesign& design, QWidget* parent);

} // namespace klavet
