#pragma once

// The system calls under PstFile, behind one small interface: create a new file, write at an
// offset, read, sync, resize and reserve space. PosixFileIo.cpp is the POSIX implementation; a
// test puts a fault-injecting one in its place. Every failure is raised as PstWriteError (or
// PstError when the file cannot be created), with the system's own error number.

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
    virtual void resize(std::uint64_t size) = 0;
    // Claims disk space for [offset, offset + size) without changing the file's size, so later
    // writes there cannot find the disk full. False when the file system cannot claim space
    // ahead; throws when it can but the space is not there.
    virtual bool reserve(std::uint64_t offset, std::uint64_t size) = 0;
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
