#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

namespace tolvane::source {

class NativeFile;

// An item's bytes: held in memory, in a private spool file, or in the user's own file where
// it lies. Copies share the bytes; a spool goes away with the last copy.
class ItemBytes {
  public:
    static ItemBytes inMemory(std::vector<std::uint8_t> bytes);
    static ItemBytes inFile(NativeFile file, bool spool);

    std::uint64_t size() const;
    // The bytes when they are held in memory, else null.
    const std::vector<std::uint8_t>* memory() const;
    // Whether they are in a spool file of the reader's rather than the user's own file.
    bool spooled() const;
    // Fills `out` from `offset` as far as the bytes go; returns how many it gave.
    // Throws AppError when a file cannot be read.
    std::size_t readAt(std::uint64_t offset, std::span<std::uint8_t> out) const;
    // All of them; for items known to be small.
    std::vector<std::uint8_t> readAll() const;
    // For bytes in a file: a new read-only C runtime descriptor with its own position, which
    // the caller closes (see NativeFile::openDescriptor); -1 for bytes in memory.
    int openDescriptor() const;

  private:
    struct Storage;
    explicit ItemBytes(std::shared_ptr<const Storage> storage) : storage_(std::move(storage)) {}
    std::shared_ptr<const Storage> storage_;
};

}  // namespace tolvane::source
