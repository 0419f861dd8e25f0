#pragma once

#include "pst/ndb/FileIo.h"

namespace tolvane::pst::ndb {

// FileIo on a POSIX descriptor: pwritev, pread, fdatasync, ftruncate, fallocate.
class PosixFileIo final : public FileIo {
  public:
    // Creates the file with O_EXCL. Throws PstError naming the path.
    explicit PosixFileIo(std::filesystem::path path);
    ~PosixFileIo() override;
    PosixFileIo(const PosixFileIo&) = delete;
    PosixFileIo& operator=(const PosixFileIo&) = delete;

    void write(std::uint64_t offset, std::span<const IoBuffer> buffers) override;
    void read(std::uint64_t offset, std::span<std::uint8_t> bytes) override;
    void sync() override;
    void resize(std::uint64_t size) override;
    bool reserve(std::uint64_t offset, std::uint64_t size) override;
    void startWriteBack() override;

  private:
    [[noreturn]] void fail(const char* what, std::uint64_t offset, int error) const;

    std::filesystem::path path_;
    int fd_ = -1;
};

}  // namespace tolvane::pst::ndb
