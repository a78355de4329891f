#pragma once

// The priority a device's audio thread asks for, so that a busy machine does
// not hold it between rendering a change and handing it to the server.

namespace klavet {

// Asks, once per thread, for a modest real-time priority where the system
// grants one; refused, the thread runs as it is.
void RaiseAudioThreadPriority();

} // namespace klavet
