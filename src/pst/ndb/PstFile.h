#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace tolvane::pst::ndb {

// The file itself: positional 64-bit reads and writes, with contiguous writes gathered into one
// buffer so that streaming a large value costs few system calls.
class PstFile {
  public:
    // Creates the file; it must not exist yet. Throws PstError naming the path.
    explicit PstFile(std::filesystem::path path);
    ~PstFile();
    PstFile(const PstFile&) = delete;
    PstFile& operator=(const PstFile&) = delete;

    void write(std::uint64_t offset, std::span<const std::uint8_t> bytes);
    void read(std::uint64_t offset, std::span<std::uint8_t> bytes);
    void resize(std::uint64_t size);
    // Hands buffered bytes to the system, then asks it to put them on disk.
    void flush();
    void sync();
    const std::filesystem::path& path() const { return path_; }

  private:
    void writeThrough(std::uint64_t offset, std::span<const std::uint8_t> bytes);
    [[noreturn]] void fail(const char* what, std::uint64_t offset) const;

    std::filesystem::path path_;
    int fd_ = -1;
    std::vector<std::uint8_t> buffer_;
    std::uint64_t bufferOffset_ = 0;
};

}  // namespace tolvane::pst::ndb
