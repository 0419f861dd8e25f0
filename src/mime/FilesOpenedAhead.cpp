#include "mime/FilesOpenedAhead.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

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
        if (held_.contains(name)) {
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
    if (!held_.emplace(name, fd).second) {
        ::close(fd);  // another thread opened it meanwhile
        return;
    }
    order_.push_back(std::move(name));
    while (held_.size() > limit_) {
        closeOldest();
    }
#endif
}

int FilesOpenedAhead::take(const std::filesystem::path& path) {
#ifdef _WIN32
    (void)path;
    return -1;
#else
    const std::lock_guard lock(mutex_);
    const auto found = held_.find(path.native());
    if (found == held_.end()) {
        return -1;
    }
    const int fd = found->second;
    held_.erase(found);
    // Its place in order_ goes when it comes to the front: a search here would cost more.
    while (!order_.empty() && !held_.contains(order_.front())) {
        order_.pop_front();
    }
    return fd;
#endif
}

void FilesOpenedAhead::clear() {
    const std::lock_guard lock(mutex_);
    while (!held_.empty()) {
        closeOldest();
    }
    order_.clear();
}

void FilesOpenedAhead::closeOldest() {
    while (!order_.empty()) {
        std::string path = std::move(order_.front());
        order_.pop_front();
        if (const auto found = held_.find(path); found != held_.end()) {
#ifndef _WIN32
            ::close(found->second);
#endif
            held_.erase(found);
            return;
        }
    }
}

}  // namespace tolvane::mime
