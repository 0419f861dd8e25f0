#include "mime/FilesOpenedAhead.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include <iterator>
#include <utility>

#include "platform/Utf8Path.h"

namespace tolvane::mime {

FilesOpenedAhead::~FilesOpenedAhead() {
    clear();
}

void FilesOpenedAhead::open(const std::string& path) {
#ifdef _WIN32
    (void)path;  // not asked of Windows: each import there opens its own file
#else
    std::string name = PathFromUtf8(path).native();
    {
        const std::lock_guard lock(mutex_);
        if (byName_.contains(name)) {
            return;
        }
    }
    // Opened as the import opens it: a pipe queued by name is not waited on.
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return;
    }
    // Only a request: the kernel reads the file into its cache in the background.
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_WILLNEED);
    const std::lock_guard lock(mutex_);
    if (byName_.contains(name)) {
        ::close(fd);  // another thread opened it meanwhile
        return;
    }
    held_.push_back({std::move(name), fd});
    byName_.emplace(held_.back().name, std::prev(held_.end()));
    while (held_.size() > limit_) {
        close(held_.begin());
    }
#endif
}

int FilesOpenedAhead::take(const std::filesystem::path& path) {
#ifdef _WIN32
    (void)path;
    return -1;
#else
    const std::lock_guard lock(mutex_);
    const auto found = byName_.find(path.native());
    if (found == byName_.end()) {
        return -1;
    }
    return release(found->second);
#endif
}

void FilesOpenedAhead::clear() {
    const std::lock_guard lock(mutex_);
    while (!held_.empty()) {
        close(held_.begin());
    }
}

std::size_t FilesOpenedAhead::kept() {
    const std::lock_guard lock(mutex_);
    return held_.size();
}

void FilesOpenedAhead::close(Held::iterator file) {
    const int fd = release(file);
#ifndef _WIN32
    ::close(fd);
#else
    (void)fd;
#endif
}

int FilesOpenedAhead::release(Held::iterator file) {
    const int fd = file->fd;
    byName_.erase(file->name);
    held_.erase(file);
    return fd;
}

}  // namespace tolvane::mime
