#pragma once

// What assistive tools see of the main window: its shown controls only. The
// hidden controls hold engine values that the learner never sees, so they
// are left out of the window's accessible children.

namespace klavet {

void InstallAccessibility();

} // namespace klavet
