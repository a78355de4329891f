#pragma once

// The decoded sound files, each kept only while the file on disk is unchanged:
// every lookup checks the file anew and reads it again when it has changed.
// Used on the user-interface thread only.

#include "wave_file.h"

#include <ctime>
#include <memory>
#include <string>
#include <sys/types.h>
#include <unordered_map>

namespace klavet {

class ClipCache {
public:
    explicit ClipCache(int rate) : rate_(rate) {}

    // The clip of the file at `path`; null when it is missing or not a
    // playable wave file.
    std::shared_ptr<const Clip> Find(const std::string& path);

private:
    struct Entry {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified{};
        timespec changed{};
        std::shared_ptr<const Clip> clip;
    };

    const int rate_;
    std::unordered_map<std::string, Entry> entries_;
};

} // namespace klavet
