#pragma once

// What assistive tools see of the main window: its shown controls only. The
// hidden controls hold engine values that the learner never sees (one of
// them changes every millisecond), so they are left out of the window's
// accessible children and their changes are not announced.

namespace klavet {

void InstallAccessibility();

} // namespace klavet
