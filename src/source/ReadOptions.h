#pragma once

#include <cstdint>
#include <filesystem>

namespace tolvane::source {

// Bounds that keep a reader's memory and disk use flat whatever an archive holds.
struct ReadLimits {
    // Entries up to this size are held in memory; larger ones go to a spool file. The MIME
    // import spools attachments from the same size.
    std::uint64_t heldInMemory = std::uint64_t{8} << 20;
    // No mail Zimbra accepts comes near this (its largest configurable message is far
    // smaller); an entry past it is reported and skipped, never spooled whole.
    std::uint64_t largestItem = std::uint64_t{1} << 30;
    // A .meta is read whole; an appointment's with many exceptions runs to a few hundred KiB.
    std::uint64_t largestMeta = std::uint64_t{16} << 20;
    // Past this much of one entry, an entry that has expanded more than expansionRatio times
    // the compressed bytes it came from is taken for a compression bomb. Mail compresses a few
    // times at most (base64 attachments about 1.3 times); only a run of one repeated byte
    // reaches deflate's limit of about 1,000 times.
    std::uint64_t expansionFloor = std::uint64_t{64} << 20;
    std::uint64_t expansionRatio = 200;
};

struct ReadOptions {
    ReadLimits limits;
    // False for a survey: entries are counted, their bytes skipped.
    bool keepBytes = true;
    // Where spool files are made; empty for the system's temporary folder.
    std::filesystem::path spoolFolder;
};

}  // namespace tolvane::source
