#include "source/NativeFile.h"

#include <utility>

namespace tolvane::source {

NativeFile::NativeFile(NativeFile&& other) noexcept
    : handle_(std::exchange(other.handle_, kNone)),
      size_(other.size_),
      name_(std::move(other.name_)),
      systemPath_(std::move(other.systemPath_)) {}

NativeFile& NativeFile::operator=(NativeFile&& other) noexcept {
    if (this != &other) {
        if (handle_ != kNone)
            close(handle_);
        handle_ = std::exchange(other.handle_, kNone);
        size_ = other.size_;
        name_ = std::move(other.name_);
        systemPath_ = std::move(other.systemPath_);
    }
    return *this;
}

NativeFile::~NativeFile() {
    if (handle_ != kNone)
        close(handle_);
}

}  // namespace tolvane::source
