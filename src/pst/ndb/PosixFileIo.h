#pragma once

#include <string>

#include "pst/ndb/FileIo.h"

namespace tolvane::pst::ndb {

// FileIo on a POSIX descriptor: pwritev, pread, fdatasync, ftruncate, and fallocate where the
// file system has it (zeros written where it has not). The file is created with O_TMPFILE in
// its folder and linked to its name by publish(); a file system without O_TMPFILE gets it
// under creationPathFor(path), locked while open, renamed by publish() and removed when the
// file is dropped unnamed; one a kill left behind goes when the next file is created in that
// folder (removeLeftoverCreations).
class PosixFileIo final : public FileIo {
  public:
    enum class Creation { Unnamed, UnderCreationName };
    // Throws PstError naming the path when a file has that name or none can be created.
    // UnderCreationName takes the way of a file system without O_TMPFILE.
    explicit PosixFileIo(std::filesystem::path path, Creation creation = Creation::Unnamed);
    ~PosixFileIo() override;
    PosixFileIo(const PosixFileIo&) = delete;
    PosixFileIo& operator=(const PosixFileIo&) = delete;

    void write(std::uint64_t offset, std::span<const IoBuffer> buffers) override;
    void read(std::uint64_t offset, std::span<std::uint8_t> bytes) override;
    void sync() override;
    void extend(std::uint64_t from, std::uint64_t to) override;
    void truncate(std::uint64_t size) override;
    void startWriteBack() override;
    void publish() override;

  private:
    [[noreturn]] void fail(const std::string& what, int error) const;
    [[noreturn]] void fail(const char* what, std::uint64_t offset, int error) const;
    // 0, or the error of the first allocation that failed.
    int allocate(std::uint64_t from, std::uint64_t to);
    int writeZeros(std::uint64_t from, std::uint64_t to);

    std::filesystem::path path_;
    std::filesystem::path creating_;  // the name it has until publish(), if it needs one
    int fd_ = -1;
    bool published_ = false;
};

}  // namespace tolvane::pst::ndb
