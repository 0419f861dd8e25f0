#pragma once

#include "pst/ndb/FileIo.h"

namespace tolvane::pst::ndb {

// FileIo on a Win32 file handle: CreateFileW by the UTF-16 name (the \\?\ form past MAX_PATH),
// positioned WriteFile and ReadFile, FlushFileBuffers, the end of file set by handle.
class Win32FileIo final : public FileIo {
  public:
    // Creates the file with CREATE_NEW. Throws PstError naming the path.
    explicit Win32FileIo(std::filesystem::path path);
    ~Win32FileIo() override;
    Win32FileIo(const Win32FileIo&) = delete;
    Win32FileIo& operator=(const Win32FileIo&) = delete;

    void write(std::uint64_t offset, std::span<const IoBuffer> buffers) override;
    void read(std::uint64_t offset, std::span<std::uint8_t> bytes) override;
    void sync() override;
    void extend(std::uint64_t from, std::uint64_t to) override;
    void truncate(std::uint64_t size) override;

  private:
    void setEnd(std::uint64_t size, const char* what);
    [[noreturn]] void fail(const char* what, std::uint64_t offset, unsigned long error) const;

    std::filesystem::path path_;
    void* handle_ = nullptr;  // the file's HANDLE
};

}  // namespace tolvane::pst::ndb
