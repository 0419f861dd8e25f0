#pragma once

#include <string>

#include "pst/ndb/FileIo.h"

namespace tolvane::pst::ndb {

// FileIo on a Win32 file handle: CreateFileW by the UTF-16 name (the \\?\ form past MAX_PATH),
// positioned WriteFile and ReadFile, FlushFileBuffers, the end of file set by handle. The file
// is created under creationPathFor(path) marked for deletion, so the system removes it if the
// process ends first, killed or not (what a power cut leaves goes when the next file is
// created in that folder); publish() clears the mark and renames it by its handle.
// That takes DELETE access, so a reader that opens the file while it is written must share
// write and delete.
class Win32FileIo final : public FileIo {
  public:
    // Throws PstError naming the path when a file has that name or none can be created.
    explicit Win32FileIo(std::filesystem::path path);
    ~Win32FileIo() override;
    Win32FileIo(const Win32FileIo&) = delete;
    Win32FileIo& operator=(const Win32FileIo&) = delete;

    void write(std::uint64_t offset, std::span<const IoBuffer> buffers) override;
    void read(std::uint64_t offset, std::span<std::uint8_t> bytes) override;
    void sync() override;
    void extend(std::uint64_t from, std::uint64_t to) override;
    void truncate(std::uint64_t size) override;
    void publish() override;

  private:
    bool setDeleteOnClose(bool remove);
    void setEnd(std::uint64_t size, const char* what);
    [[noreturn]] void fail(const std::string& what, unsigned long error) const;
    [[noreturn]] void fail(const char* what, std::uint64_t offset, unsigned long error) const;

    std::filesystem::path path_;
    void* handle_ = nullptr;  // the file's HANDLE
    bool published_ = false;
};

}  // namespace tolvane::pst::ndb
