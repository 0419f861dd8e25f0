#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <span>
#include <vector>

#include "pst/ndb/FileIo.h"

namespace tolvane::pst::ndb {

// The file itself: positional 64-bit reads and writes. Writes are gathered in memory as runs
// of adjacent bytes and handed to the system in file order, runs that touch in one call: the
// blocks of one message land in holes all over the file's free space, and a system call per
// block would cost more than building it.
class PstFile {
  public:
    // Creates the file through `files` under no name yet; publish() gives it `path`, which must
    // not be taken. Throws PstError naming the path.
    PstFile(std::filesystem::path path, FileSystem& files);
    PstFile(const PstFile&) = delete;
    PstFile& operator=(const PstFile&) = delete;

    void write(std::uint64_t offset, std::span<const std::uint8_t> bytes);
    // Room for `size` bytes (under 1 MiB) at `offset`, to be filled by the caller before the
    // next call on this file: a block is built where it waits to be written, not copied there.
    // The room is not cleared: the caller writes every byte of it.
    std::span<std::uint8_t> place(std::uint64_t offset, std::size_t size);
    void read(std::uint64_t offset, std::span<std::uint8_t> bytes);
    // Grows the file from `from` to `to` bytes with real disk space (see FileIo::extend).
    void extend(std::uint64_t from, std::uint64_t to);
    void truncate(std::uint64_t size);
    // Hands gathered bytes to the system.
    void flush();
    // Flushes, then asks the system to put everything on disk.
    void sync();
    // Gives the file, unnamed until now, its name (FileIo::publish).
    void publish();
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
    void writeBuffers(std::uint64_t offset, std::span<const IoBuffer> buffers, std::size_t bytes);

    std::filesystem::path path_;
    std::unique_ptr<FileIo> io_;
    Runs pending_;
    // The runs' bytes, in the order they came. Never cleared: each byte is written before it
    // is handed over, and clearing came to 4% of the writer's instructions.
    std::unique_ptr<std::uint8_t[]> arena_;
    std::size_t arenaUsed_ = 0;

    std::uint64_t systemWrites_ = 0;
    std::uint64_t unflushedBytes_ = 0;  // written since write-back was last started
};

}  // namespace tolvane::pst::ndb
