#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "source/ItemBytes.h"
#include "source/ReadOptions.h"

struct archive;
struct archive_entry;

namespace tolvane::source {

struct ArchiveInput;  // the file libarchive reads, through callbacks of ours

// One pass over an archive's entries with libarchive: tar (ustar, GNU and pax long names) and
// zip, plain or gzip-compressed. No other format or filter is enabled, so no other
// decompressor ever runs on a user's file; zip is read as a stream, so entries that overlap
// in its central directory cannot multiply.
class ArchiveEntries {
  public:
    // Throws AppError when the file cannot be opened.
    explicit ArchiveEntries(const std::filesystem::path& path);
    ~ArchiveEntries();
    ArchiveEntries(const ArchiveEntries&) = delete;
    ArchiveEntries& operator=(const ArchiveEntries&) = delete;

    enum class Step {
        Entry,          // name() and the rest describe the next entry
        End,            // no more entries
        DamagedHeader,  // a header that cannot be read; the next call looks past it
        Fatal,          // reading cannot go on; error() says why
    };
    Step next();

    // The current entry's name, UTF-8, as written.
    const std::string& name() const { return name_; }
    bool isFile() const;
    bool isFolder() const;
    std::optional<std::uint64_t> declaredSize() const;

    enum class Outcome { Read, TooLarge, Bomb, Damaged, Fatal };
    struct Data {
        Outcome outcome = Outcome::Read;
        std::optional<ItemBytes> bytes;
        std::string warning;  // read whole, but with a complaint (a bad checksum)
    };
    // Reads the current entry's bytes within `limits`: in memory, or spooled into
    // `spoolFolder` past limits.heldInMemory. After TooLarge, Bomb and Damaged the rest of
    // the entry has been skipped; error() says what went wrong.
    Data read(const ReadLimits& limits, const std::filesystem::path& spoolFolder);
    // Skips the current entry's bytes; false when reading cannot go on.
    bool skip();

    const std::string& error() const { return error_; }
    // How far into the uncompressed stream reading has come.
    std::uint64_t streamPosition() const;

  private:
    void takeError();

    std::unique_ptr<ArchiveInput> input_;
    std::vector<std::uint8_t> block_;  // for entries of unknown or spooled size
    struct archive* archive_ = nullptr;
    struct archive_entry* entry_ = nullptr;
    std::string name_;
    std::string error_;
};

}  // namespace tolvane::source
