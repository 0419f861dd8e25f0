#pragma once

#include "pst/ndb/FileIo.h"

namespace tolvane::pst::ndb {

// FileIo on a POSIX descriptor: pwritev, pread, fdatasync, ftruncate, and fallocate where the
// file system has it (zeros written where it has not).
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
    void extend(std::uint64_t from, std::uint64_t to) override;
    void truncate(std::uint64_t size) override;
    void startWriteBack() override;

  private:
    [[noreturn]] void fail(const char* what, std::uint64_t offset, int error) const;
    // 0, or the error of the first allocation that failed.
    int allocate(std::uint64_t from, std::uint64_t to);
    int writeZeros(std::uint64_t from, std::uint64_t to);

    std::filesystem::path path_;
    int fd_ = -1;
};

}  // namespace tolvane::pst::ndb
