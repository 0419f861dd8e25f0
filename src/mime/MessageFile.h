#pragma once

// A message file opened for import: refused with the system's reason when it cannot be
// opened, is a folder, a pipe or a device, or is empty; then read by position through one
// descriptor, as a byte source.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

#include "mapi/ByteSource.h"
#include "platform/FileStamp.h"

namespace tolvane::mime {

class MessageFile final : public mapi::ByteSource {
  public:
    // Throws tolvane::AppError naming the file and the reason. `opened`, when not -1, is the
    // file's descriptor, opened ahead (FilesOpenedAhead); it is this object's to close.
    explicit MessageFile(const std::filesystem::path& path, int opened = -1);
    ~MessageFile() override;
    MessageFile(const MessageFile&) = delete;
    MessageFile& operator=(const MessageFile&) = delete;

    std::uint64_t size() const override { return size_; }
    // Readers throw tolvane::AppError naming the file when a read fails.
    std::unique_ptr<mapi::ByteReader> open() const override;

    int descriptor() const { return fd_; }
    std::int64_t modifiedTime() const { return modified_; }  // Unix seconds
    // As stampOf gives it for the same file; none on Windows, whose stamps count otherwise.
    const std::optional<FileStamp>& stamp() const { return stamp_; }

  private:
    std::filesystem::path path_;
    int fd_ = -1;
    std::uint64_t size_ = 0;
    std::int64_t modified_ = 0;
    std::optional<FileStamp> stamp_;
};

}  // namespace tolvane::mime
