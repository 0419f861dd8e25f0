#include "mime/MessageFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/AppError.h"

#ifdef _WIN32
#include <windows.h>

#include <io.h>
#endif

namespace tolvane::mime {

namespace {

// Non-blocking, so a pipe or device queued by name is refused, not waited on for a writer.
int openReadOnly(const std::filesystem::path& path) {
#ifdef _WIN32
    return ::_wopen(path.c_str(), _O_RDONLY | _O_BINARY);  // by its UTF-16 name, in binary
#else
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
#endif
}

#ifdef _WIN32
// The Windows forms of what the import asks of the file: its status, and a read at a
// position that leaves the descriptor's own where it is.
int fstat(int fd, struct ::_stat64* status) {
    return ::_fstat64(fd, status);
}

ssize_t pread(int fd, void* buffer, std::size_t size, std::int64_t offset) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
    DWORD read = 0;
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    const auto ask = static_cast<DWORD>(std::min<std::size_t>(size, std::size_t{1} << 30));
    if (!ReadFile(handle, buffer, ask, &read, &at)) {
        return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
    }
    return static_cast<ssize_t>(read);
}
#endif

// Classic runtime numbers: 62 "Input past end of file", 75 "Path/File access error".
constexpr long kInputPastEnd = 62;
constexpr long kPathFileAccess = 75;

[[noreturn]] void fail(const std::filesystem::path& path, int err) {
    const long number = err == ENOENT                   ? errc::kFileNotFound
                        : err == EACCES || err == EPERM ? errc::kPermissionDenied
                                                        : kPathFileAccess;
    throw AppError(number, "cannot read " + path.string() + ": " + std::strerror(err));
}

class PositionReader final : public mapi::ByteReader {
  public:
    PositionReader(int fd, const std::filesystem::path& path) : fd_(fd), path_(path) {}
    std::size_t read(std::span<std::uint8_t> out) override {
        const ssize_t n = pread(fd_, out.data(), out.size(), at_);
        if (n < 0)
            fail(path_, errno);
        at_ += n;
        return static_cast<std::size_t>(n);
    }

  private:
    int fd_;
    const std::filesystem::path& path_;
    std::int64_t at_ = 0;
};

}  // namespace

MessageFile::MessageFile(const std::filesystem::path& path, int opened) : path_(path) {
    fd_ = opened >= 0 ? opened : openReadOnly(path);
#ifdef _WIN32
    // Windows refuses to open a folder as a file for lack of access; say what it is.
    if (fd_ < 0 && errno == EACCES) {
        std::error_code ignored;
        if (std::filesystem::is_directory(path, ignored))
            fail(path, EISDIR);
    }
#endif
    if (fd_ < 0)
        fail(path, errno);
    try {
#ifdef _WIN32
        struct ::_stat64 st {};
#else
        struct stat st {};
#endif
        if (fstat(fd_, &st) != 0)
            fail(path, errno);
        if (S_ISDIR(st.st_mode))
            fail(path, EISDIR);
        if (!S_ISREG(st.st_mode)) {
            throw AppError(kPathFileAccess,
                           "cannot read " + path.string() + ": it is not a regular file");
        }
        if (st.st_size == 0) {
            throw AppError(kInputPastEnd, "cannot import " + path.string() + ": the file is empty");
        }
        size_ = static_cast<std::uint64_t>(st.st_size);
        modified_ = st.st_mtime;
#ifndef _WIN32
        stamp_ = stampOfStatus(st);
#endif
    } catch (...) {
        close(fd_);
        throw;
    }
}

MessageFile::~MessageFile() {
    close(fd_);
}

std::unique_ptr<mapi::ByteReader> MessageFile::open() const {
    return std::make_unique<PositionReader>(fd_, path_);
}

}  // namespace tolvane::mime
