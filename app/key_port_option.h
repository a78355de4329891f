#pragma once

// The serial-port key's option, "--key-port PATH" or "--key-port=PATH", taken
// out of the command line before the toolkit reads the rest. It only reads
// the words: the port is opened by the window's key sources.

#include <string>

namespace klavet {

struct KeyPortOption {
    std::string path;  // empty: no port named
    std::string error; // a mistake in the option, for one line on standard error
};

// Removes the option's words from argv and lowers argc to match.
KeyPortOption TakeKeyPortOption(int& argc, char** argv);

} // namespace klavet
