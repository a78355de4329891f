#pragma once

// The line for the learner about the serial-port key: what became of the
// port, worded in the user's language, its path exactly as given (bytes that
// are not UTF-8 included). It prints nothing itself.

#include "serial_key_watcher.h"

#include <QCoreApplication>

#include <string>

namespace klavet {

class KeyPortNews {
    Q_DECLARE_TR_FUNCTIONS(KeyPortNews)

public:
    static std::string Line(const std::string& path, const SerialKeyWatcher::News& news);

private:
    static QString Problem(const OpenFailure& failure);
};

} // namespace klavet
