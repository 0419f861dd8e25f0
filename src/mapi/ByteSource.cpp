#include "mapi/ByteSource.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#endif

namespace tolvane::mapi {

namespace {

class MemoryReader final : public ByteReader {
  public:
    explicit MemoryReader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    std::size_t read(std::span<std::uint8_t> out) override {
        const std::size_t n = std::min(out.size(), bytes_.size() - pos_);
        std::copy_n(bytes_.data() + pos_, n, out.data());
        pos_ += n;
        return n;
    }

  private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t pos_ = 0;
};

std::FILE* openForReading(const std::filesystem::path& path) {
#ifdef _WIN32
    // By the path's own UTF-16 name, and sharing deletion: the last holder of a spool file
    // removes it even while a reader still has it open, as on POSIX.
    const HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : ENOENT;
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    std::FILE* file = fd >= 0 ? _fdopen(fd, "rb") : nullptr;
    if (file == nullptr) {
        fd >= 0 ? _close(fd) : CloseHandle(handle);
    }
    return file;
#else
    return std::fopen(path.c_str(), "rb");
#endif
}

class FileReader final : public ByteReader {
  public:
    explicit FileReader(const std::filesystem::path& path) : file_(openForReading(path)) {
        if (!file_) {
            throw std::runtime_error("cannot open " + path.string() + ": " + std::strerror(errno));
        }
    }
    ~FileReader() override { std::fclose(file_); }
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    std::size_t read(std::span<std::uint8_t> out) override {
        const std::size_t n = std::fread(out.data(), 1, out.size(), file_);
        if (n == 0 && std::ferror(file_)) {
            throw std::runtime_error(std::string("read error: ") + std::strerror(errno));
        }
        return n;
    }

  private:
    std::FILE* file_;
};

}  // namespace

std::vector<std::uint8_t> ByteSource::readAll() const {
    std::vector<std::uint8_t> all(static_cast<std::size_t>(size()));
    auto reader = open();
    std::size_t filled = 0;
    while (filled < all.size()) {
        const std::size_t n = reader->read(std::span(all).subspan(filled));
        if (n == 0)
            break;
        filled += n;
    }
    all.resize(filled);
    return all;
}

std::unique_ptr<ByteReader> MemoryByteSource::open() const {
    return std::make_unique<MemoryReader>(bytes_);
}

FileByteSource::FileByteSource(std::filesystem::path path, bool deleteOnDestroy)
    : path_(std::move(path)),
      size_(std::filesystem::file_size(path_)),
      deleteOnDestroy_(deleteOnDestroy) {}

FileByteSource::~FileByteSource() {
    if (deleteOnDestroy_) {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
}

std::unique_ptr<ByteReader> FileByteSource::open() const {
    return std::make_unique<FileReader>(path_);
}

}  // namespace tolvane::mapi
