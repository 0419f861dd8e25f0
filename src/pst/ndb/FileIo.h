#pragma once

// The system calls under PstFile, behind one small interface: create a new file where no one
// sees it, write at an offset, read, sync, grow with real disk space, cut back, and give the
// file its name. PosixFileIo.cpp and Win32FileIo.cpp are the implementations; a test puts a
// fault-injecting one in their place. Every failure is raised as PstWriteError (or PstError
// when the file cannot be created or named), with the system's own error number.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

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
    // Gives the file its name, never taking one a file has already, and makes the name durable.
    // Until then no reader finds the file, and a process that dies leaves none behind (see
    // FileSystem::createNew for where the system allows less). Throws PstError ("it already
    // exists") or PstWriteError.
    virtual void publish() = 0;
};

// Told when a thread of the process starts (true) and ends (false) waiting for a sync, so
// work that can go on meanwhile is not left asleep: the read-ahead listens. One listener for
// the process, set before any store is written and cleared before it goes; null for none.
using SyncWaitListener = void (*)(bool waiting);
void setSyncWaitListener(SyncWaitListener listener);

// For its lifetime, the listener knows that this thread waits for a sync.
class SyncWait {
  public:
    SyncWait();
    ~SyncWait();
    SyncWait(const SyncWait&) = delete;
    SyncWait& operator=(const SyncWait&) = delete;

  private:
    SyncWaitListener listener_;
};

// Where new files come from.
class FileSystem {
  public:
    virtual ~FileSystem() = default;
    // Creates the file that FileIo::publish() names `path`, under no name until then: unnamed
    // where the file system allows (Linux's O_TMPFILE), else under creationPathFor(path), removed
    // however creation ends short of publish() (on Windows by the system, even when the process
    // is killed). Throws PstError naming the path when a file has that name already or the file
    // cannot be created.
    virtual std::unique_ptr<FileIo> createNew(const std::filesystem::path& path) = 0;
    // The operating system's own.
    static FileSystem& native();
};

// Where a file being created waits for its name when it needs one meanwhile: beside it, as
// "NAME.creating-XXXXXXXX.tmp" (eight random hex digits), which no run takes for a working
// file of its own.
std::filesystem::path creationPathFor(const std::filesystem::path& path);

// The files in `folder` named as creationPathFor names a store's (NAME ending in ".pst"), live
// or left behind.
std::vector<std::filesystem::path> creationFilesIn(const std::filesystem::path& folder);

// Removes what runs that ended before naming their new file left in `folder` (a kill where
// the file system has no O_TMPFILE, a power cut on Windows): never one a live run holds open,
// which it locks (POSIX) or opens without sharing (Windows) for as long as it creates it.
// Such a file never had a name, so no store is lost; one that cannot be removed stays.
void removeLeftoverCreations(const std::filesystem::path& folder);

}  // namespace tolvane::pst::ndb
