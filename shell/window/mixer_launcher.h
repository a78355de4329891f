#pragma once

// Starts the desktop's volume control beside the trainer: the first of the
// common mixers that is installed. It never waits for the mixer, nor speaks
// to it again.

#include <QtGlobal>

#include <optional>

namespace klavet {

// The process id of the mixer started; nothing when none could be started.
std::optional<qint64> StartVolumeMixer();

} // namespace klavet
