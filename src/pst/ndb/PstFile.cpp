// The POSIX file; PstFileWin32.cpp is the Windows one.
#ifndef _WIN32
#include "pst/ndb/PstFile.h"

#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <iterator>
#include <stdexcept>
#include <string>

#include "pst/PstError.h"

namespace tolvane::pst::ndb {
namespace {

// Gathered bytes are handed over once they come to this much, or span this many runs.
constexpr std::uint64_t kPendingLimit = std::uint64_t{8} << 20;
constexpr std::size_t kRunLimit = 8192;
// A value streamed in pieces this large or larger goes straight to the system.
constexpr std::size_t kWriteThroughSize = std::size_t{1} << 20;
// The system is asked to start putting written bytes on disk every this many, so a commit's
// sync finds little left to do instead of waiting for the whole file.
constexpr std::uint64_t kWriteBackEvery = std::uint64_t{16} << 20;
#ifdef IOV_MAX
constexpr std::size_t kMaxIov = IOV_MAX;
#else
constexpr std::size_t kMaxIov = 16;
#endif

}  // namespace

PstFile::PstFile(std::filesystem::path path) : path_(std::move(path)) {
    arena_.reserve(kPendingLimit);
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        const int err = errno;
        throw PstError("cannot create PST file " + path_.string() + ": " +
                       (err == EEXIST ? std::string("it already exists") : std::strerror(err)));
    }
}

PstFile::~PstFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void PstFile::write(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) {
        return;
    }
    if (bytes.size() >= kWriteThroughSize) {
        if (overlapsPending(offset, bytes.size())) {
            flush();  // later bytes must win: hand over the earlier ones first
        }
        writeThrough(offset, bytes);
        return;
    }
    const auto room = place(offset, bytes.size());
    std::copy(bytes.begin(), bytes.end(), room.begin());
}

std::span<std::uint8_t> PstFile::place(std::uint64_t offset, std::size_t size) {
    if (size >= kWriteThroughSize) {
        throw std::logic_error("PstFile: place() takes less than 1 MiB");
    }
    if (overlapsPending(offset, size)) {
        flush();  // later bytes must win: hand over the earlier ones first
    }
    if (arena_.size() + size > kPendingLimit || pending_.size() >= kRunLimit) {
        flush();
    }
    // Extend the run that ends where these bytes start when its bytes end the arena too.
    const std::size_t at = arena_.size();
    arena_.resize(at + size);
    const std::span<std::uint8_t> room(arena_.data() + at, size);
    auto next = pending_.lower_bound(offset);
    if (next != pending_.begin()) {
        Run& prev = std::prev(next)->second;
        if (std::prev(next)->first + prev.size == offset && prev.at + prev.size == at) {
            prev.size += size;
            return room;
        }
    }
    pending_.emplace_hint(next, offset, Run{at, size});
    return room;
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
    // Emptied even when a write fails, so a failure is reported once.
    struct Clear {
        PstFile& file;
        ~Clear() {
            file.pending_.clear();
            file.arena_.clear();
        }
    } clear{*this};
    for (auto first = pending_.cbegin(); first != pending_.cend();) {
        // Runs that touch, up to what one call takes.
        auto last = std::next(first);
        std::uint64_t end = first->first + first->second.size;
        std::size_t count = 1;
        while (last != pending_.cend() && last->first == end && count < kMaxIov) {
            end += last->second.size;
            ++last;
            ++count;
        }
        writeRuns(first, last);
        first = last;
    }
}

void PstFile::sync() {
    flush();
    if (::fdatasync(fd_) != 0) {
        fail("sync", 0);
    }
}

bool PstFile::overlapsPending(std::uint64_t offset, std::uint64_t size) const {
    auto next = pending_.lower_bound(offset);
    if (next != pending_.end() && next->first < offset + size) {
        return true;
    }
    if (next != pending_.begin()) {
        const auto prev = std::prev(next);
        return prev->first + prev->second.size > offset;
    }
    return false;
}

void PstFile::writeRuns(Runs::const_iterator first, Runs::const_iterator last) {
    std::vector<iovec> iov;
    for (auto it = first; it != last; ++it) {
        iov.push_back({arena_.data() + it->second.at, it->second.size});
    }
    writeVectors(first->first, iov);
}

void PstFile::writeThrough(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    iovec one{const_cast<std::uint8_t*>(bytes.data()), bytes.size()};
    writeVectors(offset, std::span(&one, 1));
}

void PstFile::writeVectors(std::uint64_t offset, std::span<iovec> iov) {
    std::size_t total = 0;
    for (const iovec& v : iov) {
        total += v.iov_len;
    }
    std::size_t done = 0;
    std::size_t at = 0;  // first vector not fully written
    while (done < total) {
        ++systemWrites_;
        const ssize_t n = ::pwritev(fd_, iov.data() + at, static_cast<int>(iov.size() - at),
                                    static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            fail("write", offset + done);
        }
        done += static_cast<std::size_t>(n);
        // Step past what was written, trimming a vector written in part.
        auto left = static_cast<std::size_t>(n);
        while (at < iov.size() && left >= iov[at].iov_len) {
            left -= iov[at].iov_len;
            ++at;
        }
        if (at < iov.size()) {
            iov[at].iov_base = static_cast<std::uint8_t*>(iov[at].iov_base) + left;
            iov[at].iov_len -= left;
        }
    }
    startWriteBack(total);
}

void PstFile::startWriteBack(std::size_t written) {
    unflushedBytes_ += written;
    if (unflushedBytes_ < kWriteBackEvery) {
        return;
    }
    unflushedBytes_ = 0;
#if defined(__linux__)
    // Only a hint: errors surface at the commit's sync.
    ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

void PstFile::fail(const char* what, std::uint64_t offset) const {
    const int err = errno;
    using Cause = PstWriteError::Cause;
    const Cause cause = err == ENOSPC || err == EDQUOT ? Cause::DiskFull
                        : err == EFBIG                 ? Cause::FileTooLarge
                                                       : Cause::Other;
    throw PstWriteError(cause, err,
                        std::string("PST file ") + path_.string() + ": cannot " + what +
                            " offset " + std::to_string(offset) + ": " + std::strerror(err));
}

}  // namespace tolvane::pst::ndb
#endif
