// The POSIX file under PstFile; Win32FileIo.cpp is the Windows one.
#ifndef _WIN32
#include "pst/ndb/PosixFileIo.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "pst/PstError.h"

namespace tolvane::pst::ndb {
namespace {

#ifdef IOV_MAX
constexpr std::size_t kMaxIov = IOV_MAX;
#else
constexpr std::size_t kMaxIov = 16;
#endif

class NativeFileSystem final : public FileSystem {
  public:
    std::unique_ptr<FileIo> createNew(const std::filesystem::path& path) override {
        return std::make_unique<PosixFileIo>(path);
    }
};

bool nameTaken(const std::filesystem::path& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

[[noreturn]] void cannotCreate(const std::filesystem::path& path, int err) {
    throw PstError("cannot create PST file " + path.string() + ": " +
                   (err == EEXIST ? std::string("it already exists") : std::strerror(err)));
}

std::filesystem::path folderOf(const std::filesystem::path& path) {
    return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

// renameat2 with RENAME_NOREPLACE where the file system has it; else a hard link, which also
// refuses an existing name, and the unlink of the old one; else (no hard links either, as on
// FAT) a rename after looking, the one way left.
int renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return -1;
    }
#endif
    if (::link(from.c_str(), to.c_str()) == 0) {
        return ::unlink(from.c_str());
    }
    if (errno != EPERM && errno != EOPNOTSUPP) {
        return -1;
    }
    if (nameTaken(to)) {
        errno = EEXIST;
        return -1;
    }
    return ::rename(from.c_str(), to.c_str());
}

// The regular file open as `fd` is the one called `name`.
bool isFileNamed(int fd, const std::filesystem::path& name) {
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd, &opened) == 0 && ::lstat(name.c_str(), &named) == 0 &&
           S_ISREG(opened.st_mode) && opened.st_dev == named.st_dev &&
           opened.st_ino == named.st_ino;
}

// Locks a file just created under its creation name for as long as it stays open, so that no
// other run removes it for a leftover, and tells whether one did so before the lock. Where the
// file system has no locks no run can lock it for removal either.
bool holdAsLive(int fd, const std::filesystem::path& name) {
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        return errno != EWOULDBLOCK && isFileNamed(fd, name);
    }
    return isFileNamed(fd, name);
}

}  // namespace

void removeLeftoverCreations(const std::filesystem::path& folder) {
    for (const auto& file : creationFilesIn(folder)) {
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0) {
            continue;
        }
        // Unlocked, and still the file of that name: no live run holds it.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && isFileNamed(fd, file)) {
            ::unlink(file.c_str());
        }
        ::close(fd);
    }
}

FileSystem& FileSystem::native() {
    static NativeFileSystem files;
    return files;
}

PosixFileIo::PosixFileIo(std::filesystem::path path, Creation creation) : path_(std::move(path)) {
    if (nameTaken(path_)) {
        cannotCreate(path_, EEXIST);
    }
    removeLeftoverCreations(folderOf(path_));
#ifdef O_TMPFILE
    if (creation == Creation::Unnamed) {
        fd_ = ::open(folderOf(path_).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0644);
        if (fd_ >= 0) {
            return;
        }
        // EISDIR: a kernel that predates O_TMPFILE; EOPNOTSUPP: a file system without it.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            cannotCreate(path_, errno);
        }
    }
#else
    (void)creation;
#endif
    for (int attempt = 0;; ++attempt) {
        creating_ = creationPathFor(path_);
        fd_ = ::open(creating_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd_ >= 0) {
            if (holdAsLive(fd_, creating_)) {
                return;
            }
            // Removed by another run between the open and the lock: another name.
            ::close(fd_);
            fd_ = -1;
            errno = EEXIST;
        }
        if (errno != EEXIST || attempt == 8) {
            const int err = errno;
            creating_.clear();
            cannotCreate(path_, err);
        }
    }
}

PosixFileIo::~PosixFileIo() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    if (!creating_.empty()) {
        ::unlink(creating_.c_str());  // dropped before it was named: nothing of it stays
    }
}

void PosixFileIo::publish() {
    if (published_) {
        return;
    }
    int result = 0;
    if (creating_.empty()) {
        // The open file by its /proc name; AT_EMPTY_PATH, for where /proc is missing, needs a
        // capability most processes lack.
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        result = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path_.c_str(), AT_SYMLINK_FOLLOW);
        if (result != 0 && errno == ENOENT) {
            result = ::linkat(fd_, "", AT_FDCWD, path_.c_str(), AT_EMPTY_PATH);
        }
    } else {
        result = renameNoReplace(creating_, path_);
    }
    if (result != 0) {
        const int err = errno;
        if (err == EEXIST) {
            cannotCreate(path_, err);
        }
        fail("give it its name", err);
    }
    creating_.clear();
    published_ = true;
    // The name is durable once its folder is on disk too.
    const int folder = ::open(folderOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        fail("open its folder", errno);
    }
    const int synced = ::fsync(folder);
    const int err = errno;
    ::close(folder);
    if (synced != 0) {
        fail("sync its folder", err);
    }
}

void PosixFileIo::write(std::uint64_t offset, std::span<const IoBuffer> buffers) {
    std::vector<iovec> iov;
    iov.reserve(std::min(buffers.size(), kMaxIov));
    std::size_t next = 0;  // first buffer not yet in iov
    std::uint64_t at = offset;
    for (;;) {
        while (iov.size() < kMaxIov && next < buffers.size()) {
            const IoBuffer& b = buffers[next++];
            if (b.size > 0) {
                iov.push_back({const_cast<std::uint8_t*>(b.data), b.size});
            }
        }
        if (iov.empty()) {
            return;
        }
        const ssize_t n =
            ::pwritev(fd_, iov.data(), static_cast<int>(iov.size()), static_cast<off_t>(at));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            fail("write", at, n == 0 ? EIO : errno);
        }
        at += static_cast<std::uint64_t>(n);
        // Drop what was written, trimming a vector written in part.
        auto left = static_cast<std::size_t>(n);
        std::size_t done = 0;
        while (done < iov.size() && left >= iov[done].iov_len) {
            left -= iov[done].iov_len;
            ++done;
        }
        iov.erase(iov.begin(), iov.begin() + static_cast<std::ptrdiff_t>(done));
        if (!iov.empty()) {
            iov.front().iov_base = static_cast<std::uint8_t*>(iov.front().iov_base) + left;
            iov.front().iov_len -= left;
        }
    }
}

void PosixFileIo::read(std::uint64_t offset, std::span<std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pread(fd_, bytes.data() + done, bytes.size() - done,
                                  static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            fail("read", offset + done, n == 0 ? EIO : errno);
        }
        done += static_cast<std::size_t>(n);
    }
}

void PosixFileIo::sync() {
    if (::fdatasync(fd_) != 0) {
        fail("sync", 0, errno);
    }
}

void PosixFileIo::truncate(std::uint64_t size) {
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) {
        fail("resize to", size, errno);
    }
}

void PosixFileIo::extend(std::uint64_t from, std::uint64_t to) {
    if (to <= from) {
        return;
    }
    if (const int err = allocate(from, to); err != 0) {
        // Whatever was claimed goes again, so the file is as it was.
        while (::ftruncate(fd_, static_cast<off_t>(from)) != 0 && errno == EINTR) {
        }
        fail("grow to", to, err);
    }
}

int PosixFileIo::allocate(std::uint64_t from, std::uint64_t to) {
#if defined(__linux__)
    for (;;) {
        if (::fallocate(fd_, 0, static_cast<off_t>(from), static_cast<off_t>(to - from)) == 0) {
            return 0;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EOPNOTSUPP && errno != ENOSYS) {
            return errno;
        }
        break;
    }
#endif
    return writeZeros(from, to);
}

int PosixFileIo::writeZeros(std::uint64_t from, std::uint64_t to) {
    static const std::vector<std::uint8_t> zeros(std::size_t{1} << 20, 0);
    for (std::uint64_t at = from; at < to;) {
        const std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(zeros.size(), to - at));
        const ssize_t done = ::pwrite(fd_, zeros.data(), n, static_cast<off_t>(at));
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            return done == 0 ? EIO : errno;
        }
        at += static_cast<std::uint64_t>(done);
    }
    return 0;
}

void PosixFileIo::startWriteBack() {
#if defined(__linux__)
    // Only a hint: errors surface at the next sync.
    ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

void PosixFileIo::fail(const char* what, std::uint64_t offset, int err) const {
    fail(std::string(what) + " offset " + std::to_string(offset), err);
}

void PosixFileIo::fail(const std::string& what, int err) const {
    using Cause = PstWriteError::Cause;
    const Cause cause = err == ENOSPC || err == EDQUOT ? Cause::DiskFull
                        : err == EFBIG                 ? Cause::FileTooLarge
                                                       : Cause::Other;
    throw PstWriteError(
        cause, err, "PST file " + path_.string() + ": cannot " + what + ": " + std::strerror(err));
}

}  // namespace tolvane::pst::ndb
#endif
