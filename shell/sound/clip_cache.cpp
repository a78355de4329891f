#include "clip_cache.h"

#include <sys/stat.h>

namespace klavet {

namespace {

bool Same(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

} // namespace

std::shared_ptr<const Clip> ClipCache::Find(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        entries_.erase(path);
        return nullptr;
    }
    auto found = entries_.find(path);
    if (found != entries_.end()) {
        const Entry& e = found->second;
        if (e.device == info.st_dev && e.inode == info.st_ino && e.size == info.st_size &&
            Same(e.modified, info.st_mtim) && Same(e.changed, info.st_ctim))
            return e.clip;
    }
    Entry entry{info.st_dev,  info.st_ino,  info.st_size,
                info.st_mtim, info.st_ctim, LoadWaveFile(path, rate_)};
    auto clip = entry.clip;
    entries_[path] = std::move(entry);
    return clip;
}

} // namespace klavet
