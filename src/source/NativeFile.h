#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace tolvane::source {

// A file held open by the reader: a user's own file, read where it is, or a private spool for
// an entry too large to hold in memory. A spool never has a name another process could find
// or a crash could leave behind: on Linux it is made with O_TMPFILE (or created and unlinked
// at once where the file system lacks it), on Windows with FILE_FLAG_DELETE_ON_CLOSE, so the
// system frees it when its last handle closes, however the process ends. A private folder
// removed at exit would outlive a killed process. Errors throw AppError naming the file.
class NativeFile {
  public:
    // Refuses a folder, a device or a pipe.
    static NativeFile openForReading(const std::filesystem::path& path);
    static NativeFile createSpool(const std::filesystem::path& folder);

    NativeFile(NativeFile&& other) noexcept;
    NativeFile& operator=(NativeFile&& other) noexcept;
    NativeFile(const NativeFile&) = delete;
    NativeFile& operator=(const NativeFile&) = delete;
    ~NativeFile();

    std::uint64_t size() const { return size_; }
    void append(std::span<const std::uint8_t> bytes);
    // Fills `out` from `offset` as far as the file goes; returns how many bytes it read.
    std::size_t readAt(std::uint64_t offset, std::span<std::uint8_t> out) const;
    // A new read-only C runtime descriptor of the same file with a file position of its own,
    // for a parser that takes one (GMime's file stream); the caller closes it.
    int openDescriptor() const;

  private:
    static constexpr std::intptr_t kNone = -1;

    NativeFile(std::intptr_t handle, std::uint64_t size, std::string name,
               std::wstring systemPath = {})
        : handle_(handle),
          size_(size),
          name_(std::move(name)),
          systemPath_(std::move(systemPath)) {}
    static void close(std::intptr_t handle);

    std::intptr_t handle_;  // a descriptor, or a Windows HANDLE
    std::uint64_t size_;
    std::string name_;         // for error messages
    std::wstring systemPath_;  // Windows: the name to open it by again
};

}  // namespace tolvane::source
