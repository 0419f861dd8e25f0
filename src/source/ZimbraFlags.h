#pragma once

// Zimbra's item flags (Flag.java): the bitmask of a .meta's "flags" and the letters of its
// "FlagStr". A flag's bit is 1 << (-id - 1).

#include <cstdint>
#include <optional>
#include <string_view>

namespace tolvane::source {

enum class ZimbraFlag : std::uint32_t {
    FromMe = 1u << 0,             // s: the user sent it
    Attached = 1u << 1,           // a
    Replied = 1u << 2,            // r
    Forwarded = 1u << 3,          // w
    Copied = 1u << 4,             // no letter
    Flagged = 1u << 5,            // f
    Draft = 1u << 6,              // d
    Deleted = 1u << 7,            // x: IMAP \Deleted, not yet expunged
    Notified = 1u << 8,           // n: read receipt sent
    Unread = 1u << 9,             // u: never in "flags", kept as "unread"
    HighPriority = 1u << 10,      // !
    LowPriority = 1u << 11,       // ?
    Versioned = 1u << 12,         // /
    IndexingDeferred = 1u << 13,  // no letter
    Popped = 1u << 14,            // p
    Note = 1u << 15,              // t
    Priority = 1u << 16,          // +
    Post = 1u << 17,              // ^
    Muted = 1u << 18,             // (
    Subscribed = 1u << 19,        // *
    ExcludeFreeBusy = 1u << 20,   // b
    Checked = 1u << 21,           // #
    NoInherit = 1u << 22,         // i
    Invite = 1u << 23,            // v
    SyncFolder = 1u << 24,        // y
    Sync = 1u << 25,              // ~
    NoInferiors = 1u << 26,       // o
    Archived = 1u << 27,          // @
    Global = 1u << 28,            // g
    InDumpster = 1u << 29,        // no letter
    Uncached = 1u << 30,          // no letter
};

// The flag a FlagStr letter stands for.
std::optional<ZimbraFlag> flagOfLetter(char letter);

// The letter Zimbra writes for a flag; nullopt for the flags it never writes.
std::optional<char> letterOfFlag(ZimbraFlag flag);

// The bitmask a FlagStr spells; unknown letters count for nothing.
std::uint32_t flagsOfLetters(std::string_view flagString);

}  // namespace tolvane::source
