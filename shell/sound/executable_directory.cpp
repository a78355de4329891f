#include "executable_directory.h"

#include <filesystem>

namespace klavet {

std::string ExecutableDirectory() {
    std::error_code error;
    auto exe = std::filesystem::canonical("/proc/self/exe", error);
    if (error)
        exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : exe.parent_path().string();
}

} // namespace klavet
