#pragma once

// Asks the X server to repeat a held key as presses alone (XKB's detectable
// auto-repeat). Otherwise each repeat comes as a release and a press with the
// same time stamp, and the toolkit, which tells them apart by looking for the
// press already queued behind the release, now and then takes them for a real
// release and press: a held key would key twice. Does nothing off X11.

namespace klavet {

void AskForDetectableKeyRepeat();

} // namespace klavet
