#pragma once

// The system calls under PstFile, behind one small interface: create a new file, write at an
// offset, read, sync, grow with real disk space, and cut back. PosixFileIo.cpp is the POSIX
// implementation; a test puts a fault-injecting one in its place. Every failure is raised as
// PstWriteError (or PstError when the file cannot be created), with the system's own error number.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>

namespace tolvane::pst::ndb {

// One piece of a gathered write.
struct IoBuffer {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};

class FileIo {
  public:
    virtual ~FileIo() = default;

    // Writes the buffers one after another from offset, all of them or throws.
    virtual void write(std::uint64_t offset, std::span<const IoBuffer> buffers) = 0;
    virtual void read(std::uint64_t offset, std::span<std::uint8_t> bytes) = 0;
    // Puts every write so far on the disk.
    virtual void sync() = 0;
    // Grows the file from its size `from` to `to` bytes with disk space behind every new byte,
    // so no later write there can find the disk full (no holes, no space merely promised). On
    // failure the file is `from` bytes long again.
    virtual void extend(std::uint64_t from, std::uint64_t to) = 0;
    // Cuts the file to `size` bytes.
    virtual void truncate(std::uint64_t size) = 0;
    // Asks the system to start writing what it holds; only a hint.
    virtual void startWriteBack() {}
};

// Where new files come from.
class FileSystem {
  public:
    virtual ~FileSystem() = default;
    // Creates the file; it must not exist yet. Throws PstError naming the path.
    virtual std::unique_ptr<FileIo> createNew(const std::filesystem::path& path) = 0;
    // The operating system's own.
    static FileSystem& native();
};

}  // namespace tolvane::pst::ndb
