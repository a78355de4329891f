#include "key_port_option.h"

#include <string_view>

namespace klavet {

namespace {

constexpr std::string_view kName = "--key-port";

} // namespace

KeyPortOption TakeKeyPortOption(int& argc, char** argv) {
    KeyPortOption option;
    int kept = 1;
    bool named = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        const bool joined =
            word.starts_with(kName) && word.size() > kName.size() && word[kName.size()] == '=';
        if (word != kName && !joined) {
            argv[kept++] = argv[i];
            continue;
        }
        std::string_view path;
        if (joined)
            path = word.substr(kName.size() + 1);
        else if (i + 1 < argc)
            path = argv[++i];
        if (path.empty())
            option.error = "option --key-port needs the port, as in --key-port /dev/ttyUSB0";
        else if (named)
            option.error = "option --key-port given twice";
        named = true;
        option.path = path;
    }
    argc = kept;
    argv[argc] = nullptr;
    if (!option.error.empty())
        option.path.clear();
    return option;
}

} // namespace klavet
