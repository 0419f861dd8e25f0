#pragma once

// A leaf's content with its transfer encoding undone, streamed through GMime's decoding
// filters: small contents land in memory, large ones in a spool file in the temp dir that
// goes away with the last holder, so a 1 GiB attachment is never held in memory.

#include <gmime/gmime.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "mapi/PropValue.h"
#include "mime/GObjectPtr.h"

namespace tolvane::mime {

// Encoded sizes above this are spooled to disk.
inline constexpr std::int64_t kSpoolThreshold = std::int64_t{8} << 20;
// Decoded attachment bytes one message may hold in memory in all; later values are spooled.
inline constexpr std::int64_t kInMemoryBudget = std::int64_t{64} << 20;

// What is left of one message's in-memory allowance as its attachments are decoded.
class InMemoryBudget {
  public:
    explicit InMemoryBudget(std::int64_t bytes = kInMemoryBudget) : left_(bytes) {}
    // The encoded size up to which the next value may still be decoded into memory.
    std::int64_t spoolThreshold() const {
        return left_ < kSpoolThreshold ? left_ : kSpoolThreshold;
    }
    void spend(std::int64_t bytes) { left_ = left_ > bytes ? left_ - bytes : 0; }

  private:
    std::int64_t left_;
};

// The bytes of a stream that is a window on memory GMime holds (a message parsed from memory,
// or a part of one), read where they lie; nothing for a stream of another kind.
std::optional<std::string_view> heldBytes(GMimeStream* stream);

// The decoded content of a leaf attachment: bytes, or a FileByteSource stream. Damaged
// base64 decodes leniently, keeping every byte it can (MS-OXCMAIL stores one attachment per
// part, whatever its encoding).
mapi::PropValue decodeLeafContent(GMimePart* part, std::int64_t spoolThreshold = kSpoolThreshold);

// Decoded content in memory (text bodies, small embedded messages).
std::string decodedBytes(GMimePart* part);

// The decoded content as a stream to parse from (an encoded message/rfc822): in memory when
// small, else in a spool file that goes away with this holder.
class DecodedStream {
  public:
    explicit DecodedStream(GMimePart* part, std::int64_t spoolThreshold = kSpoolThreshold);
    ~DecodedStream();
    DecodedStream(const DecodedStream&) = delete;
    DecodedStream& operator=(const DecodedStream&) = delete;
    GMimeStream* get() const { return stream_.get(); }

  private:
    GObjectPtr<GMimeStream> stream_;
    std::filesystem::path spool_;
};

// A new, empty file in the temp dir, open for writing and reading; `path` gets its name, and
// the caller removes it. Throws tolvane::AppError when it cannot be made.
GMimeStream* newSpoolFile(std::filesystem::path& path);

// Serialised form of any GMime object (an entity or a message), in memory.
std::string serialise(GMimeObject* object);

}  // namespace tolvane::mime
