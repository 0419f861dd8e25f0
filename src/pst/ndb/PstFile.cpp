#include "pst/ndb/PstFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "pst/PstError.h"

namespace tolvane::pst::ndb {
namespace {
constexpr std::size_t kBufferCapacity = 1 << 20;
}

PstFile::PstFile(std::filesystem::path path) : path_(std::move(path)) {
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        const int err = errno;
        throw PstError("cannot create PST file " + path_.string() + ": " +
                       (err == EEXIST ? std::string("it already exists") : std::strerror(err)));
    }
    buffer_.reserve(kBufferCapacity);
}

PstFile::~PstFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void PstFile::write(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    const bool contiguous = !buffer_.empty() && offset == bufferOffset_ + buffer_.size();
    if (!contiguous && !buffer_.empty()) {
        flush();
    }
    if (bytes.size() > kBufferCapacity) {
        flush();
        writeThrough(offset, bytes);
        return;
    }
    if (buffer_.size() + bytes.size() > kBufferCapacity) {
        flush();
    }
    if (buffer_.empty()) {
        bufferOffset_ = offset;
    }
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

void PstFile::read(std::uint64_t offset, std::span<std::uint8_t> bytes) {
    flush();
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pread(fd_, bytes.data() + done, bytes.size() - done,
                                  static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0) {
                errno = EIO;
            }
            fail("read", offset + done);
        }
        done += static_cast<std::size_t>(n);
    }
}

void PstFile::resize(std::uint64_t size) {
    flush();
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) {
        fail("resize to", size);
    }
}

void PstFile::flush() {
    if (buffer_.empty()) {
        return;
    }
    // The buffer is emptied even when the write fails, so a failure is reported once.
    try {
        writeThrough(bufferOffset_, buffer_);
    } catch (...) {
        buffer_.clear();
        throw;
    }
    buffer_.clear();
}

void PstFile::sync() {
    flush();
    if (::fdatasync(fd_) != 0) {
        fail("sync", 0);
    }
}

void PstFile::writeThrough(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done,
                                   static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            fail("write", offset + done);
        }
        done += static_cast<std::size_t>(n);
    }
}

void PstFile::fail(const char* what, std::uint64_t offset) const {
    const int err = errno;
    throw PstError(std::string("PST file ") + path_.string() + ": cannot " + what + " offset " +
                   std::to_string(offset) + ": " + std::strerror(err));
}

}  // namespace tolvane::pst::ndb
