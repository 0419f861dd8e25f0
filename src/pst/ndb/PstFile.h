#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <span>
#include <vector>

#ifdef _WIN32
// The gathered runs are described as POSIX does it; Windows writes them one by one.
struct iovec {
    void* iov_base;
    std::size_t iov_len;
};
#else
#include <sys/uio.h>
#endif

namespace tolvane::pst::ndb {

// The file itself: positional 64-bit reads and writes. Writes are gathered in memory as runs
// of adjacent bytes and handed to the system in file order, runs that touch in one call: the
// blocks of one message land both at the end of the file and in holes further back, and a
// system call per block would cost more than building it.
class PstFile {
  public:
    // Creates the file; it must not exist yet. Throws PstError naming the path.
    explicit PstFile(std::filesystem::path path);
    ~PstFile();
    PstFile(const PstFile&) = delete;
    PstFile& operator=(const PstFile&) = delete;

    void write(std::uint64_t offset, std::span<const std::uint8_t> bytes);
    // Room for `size` bytes (under 1 MiB) at `offset`, to be filled by the caller before the
    // next call on this file: a block is built where it waits to be written, not copied there.
    std::span<std::uint8_t> place(std::uint64_t offset, std::size_t size);
    void read(std::uint64_t offset, std::span<std::uint8_t> bytes);
    void resize(std::uint64_t size);
    // Hands gathered bytes to the system.
    void flush();
    // Flushes, then asks the system to put everything on disk.
    void sync();
    const std::filesystem::path& path() const { return path_; }
    // System write calls made so far.
    std::uint64_t systemWrites() const { return systemWrites_; }

  private:
    struct Run {
        std::size_t at = 0;  // where its bytes start in the arena
        std::size_t size = 0;
    };
    using Runs = std::map<std::uint64_t, Run>;  // by file offset

    bool overlapsPending(std::uint64_t offset, std::uint64_t size) const;
    void writeRuns(Runs::const_iterator first, Runs::const_iterator last);
    void writeThrough(std::uint64_t offset, std::span<const std::uint8_t> bytes);
    void writeVectors(std::uint64_t offset, std::span<iovec> iov);
    void startWriteBack(std::size_t written);
    [[noreturn]] void fail(const char* what, std::uint64_t offset) const;

    std::filesystem::path path_;
#ifdef _WIN32
    void* handle_ = nullptr;  // the file's HANDLE
#else
    int fd_ = -1;
#endif
    Runs pending_;
    std::vector<std::uint8_t> arena_;  // the runs' bytes, in the order they came

    std::uint64_t systemWrites_ = 0;
    std::uint64_t unflushedBytes_ = 0;  // written since write-back was last started
};

}  // namespace tolvane::pst::ndb
