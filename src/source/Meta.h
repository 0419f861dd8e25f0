#pragma once

// The .meta entry Zimbra writes before each item of an export (ItemData.java): one line of
// JSON holding the item's state, folder and dates.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "source/ItemKind.h"
#include "source/ZimbraFlags.h"

namespace tolvane::source {

// Zimbra's importer refuses a .meta whose "Ver" is above this (Metadata.LEGACY_METADATA_VERSION).
inline constexpr int kNewestMetaVersion = 10;

struct Meta {
    int version = 0;
    int id = 0;
    int type = 0;       // ZimbraType
    int parentId = -1;  // a message's conversation
    int folderId = 0;
    std::int64_t date = 0;        // seconds since 1970 UTC: when Zimbra received or filed it
    std::int64_t changeDate = 0;  // seconds since 1970 UTC: its last change
    std::int64_t size = 0;
    std::string blobDigest;           // empty when the item has no blob
    int unread = 0;                   // 0 or 1 for a message, a count for a folder
    std::uint32_t flags = 0;          // never holds the unread bit
    std::string flagString;           // "FlagStr": the flags as letters, with u for unread
    std::optional<std::string> path;  // "/Inbox/" for a message in Inbox, a folder's own path
    std::vector<std::string> tagNames;
    std::vector<int> tagIds;  // tags of exports before Zimbra 6.0.6, by id
    std::string subject;
    std::string name;
    std::string metadata;  // Zimbra's bencoded "metadata" (see ZimbraMetadata.h)

    ItemKind kind() const { return kindOfZimbraType(type); }
    bool isUnread() const;
    // From "flags" or "FlagStr", whichever has it.
    bool has(ZimbraFlag flag) const;
};

class MetaError : public std::runtime_error {
  public:
    enum class Reason { NotJson, UnknownVersion, BadField };
    MetaError(Reason reason, const std::string& what) : std::runtime_error(what), reason_(reason) {}
    Reason reason() const noexcept { return reason_; }

  private:
    Reason reason_;
};

// Reads a .meta's text. Throws MetaError saying what is wrong: not JSON, a version above
// kNewestMetaVersion, or a key Zimbra always writes that is missing or of the wrong type.
Meta parseMeta(std::string_view json);

// "TagNames": names joined by ':', with '\' escaping '\' and ':'.
std::vector<std::string> splitTagNames(std::string_view joined);

}  // namespace tolvane::source
