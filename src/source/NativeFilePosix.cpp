#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/AppError.h"
#include "source/NativeFile.h"

namespace tolvane::source {

namespace {

constexpr long kPathFileAccess = 75;  // "Path/File access error"
constexpr long kDiskFull = 61;

[[noreturn]] void fail(const std::string& what, const std::string& name, int err) {
    const long number = err == ENOENT                                    ? errc::kFileNotFound
                        : err == EACCES || err == EPERM                  ? errc::kPermissionDenied
                        : err == ENOSPC || err == EDQUOT || err == EFBIG ? kDiskFull
                                                                         : kPathFileAccess;
    throw AppError(number, "cannot " + what + " " + name + ": " + std::strerror(err));
}

int openTemporary(const std::filesystem::path& folder) {
#ifdef O_TMPFILE
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0)
        return fd;
#endif
    // A file system without O_TMPFILE: the name exists only between these two calls.
    std::string name = (folder / "tolvane-spool-XXXXXX").string();
    const int made = ::mkstemp(name.data());
    if (made < 0)
        fail("create a spool file in", folder.string(), errno);
    ::unlink(name.c_str());
    ::fcntl(made, F_SETFD, FD_CLOEXEC);
    return made;
}

}  // namespace

NativeFile NativeFile::openForReading(const std::filesystem::path& path) {
    // Non-blocking, so that a named pipe is refused below instead of waited on.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        fail("read", path.string(), errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        fail("read", path.string(), err);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        if (S_ISDIR(st.st_mode))
            fail("read", path.string(), EISDIR);
        throw AppError(kPathFileAccess,
                       "cannot read " + path.string() + ": it is not a regular file");
    }
    return NativeFile(fd, static_cast<std::uint64_t>(st.st_size), path.string());
}

NativeFile NativeFile::createSpool(const std::filesystem::path& folder) {
    return NativeFile(openTemporary(folder), 0, "a spool file in " + folder.string());
}

void NativeFile::close(std::intptr_t handle) {
    ::close(static_cast<int>(handle));
}

void NativeFile::append(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::pwrite(static_cast<int>(handle_), bytes.data(), bytes.size(),
                                   static_cast<off_t>(size_));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            fail("write", name_, n < 0 ? errno : ENOSPC);
        size_ += static_cast<std::uint64_t>(n);
        bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
}

std::size_t NativeFile::readAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::pread(static_cast<int>(handle_), out.data() + done, out.size() - done,
                                  static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            fail("read", name_, errno);
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

int NativeFile::openDescriptor() const {
    // Through /proc a file without a name opens afresh, with a position of its own.
    const std::string self = "/proc/self/fd/" + std::to_string(handle_);
    int fd = ::open(self.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        fd = ::fcntl(static_cast<int>(handle_), F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        fail("open", name_, errno);
    return fd;
}

}  // namespace tolvane::source
