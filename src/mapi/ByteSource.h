#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

namespace tolvane::mapi {

// Sequential reader over a value's bytes.
class ByteReader {
  public:
    virtual ~ByteReader() = default;
    // Fills up to out.size() bytes; returns how many were read, 0 at the end.
    virtual std::size_t read(std::span<std::uint8_t> out) = 0;
};

// A large value (attachment data, a body) that is read as a stream instead of held whole,
// so a 1 GiB attachment never has to sit in memory.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // Each call starts a new pass from the first byte.
    virtual std::unique_ptr<ByteReader> open() const = 0;

    // Reads the whole value; only for values known to be small.
    std::vector<std::uint8_t> readAll() const;
};

class MemoryByteSource final : public ByteSource {
  public:
    explicit MemoryByteSource(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    std::uint64_t size() const override { return bytes_.size(); }
    std::unique_ptr<ByteReader> open() const override;
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
};

// Bytes of a file on disk. With deleteOnDestroy the file is a spool of ours and is removed
// when the last holder lets go of the source.
class FileByteSource final : public ByteSource {
  public:
    FileByteSource(std::filesystem::path path, bool deleteOnDestroy);
    ~FileByteSource() override;
    FileByteSource(const FileByteSource&) = delete;
    FileByteSource& operator=(const FileByteSource&) = delete;

    std::uint64_t size() const override { return size_; }
    std::unique_ptr<ByteReader> open() const override;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
    std::uint64_t size_;
    bool deleteOnDestroy_;
};

}  // namespace tolvane::mapi
