#pragma once

#include <string>

namespace tolvane::source {

// What went wrong reading a source, at the entry it went wrong at.
enum class ProblemKind {
    Unreadable,          // the source cannot be opened or is no archive: nothing read
    ArchiveDamaged,      // reading stopped here (truncated, corrupt); items before are delivered
    EntryDamaged,        // an entry's header or data is damaged; reading goes on after it
    EntryTooLarge,       // larger than an item may be; skipped
    CompressionBomb,     // expands far more than any mail does; skipped
    NotAFile,            // a link or device entry; skipped
    MetaUnreadable,      // a .meta that is not JSON or lacks what Zimbra writes
    MetaVersionUnknown,  // a .meta newer than this program reads
    MetaWithoutItem,     // a .meta whose item is not after it
    ItemWithoutMeta,     // an item without the .meta the rest of the archive has
    UnsafeName,          // a name with "..", a leading "/" or a drive: read under a safe name
    IncompleteExport,    // Zimbra marked the item as exported with the wrong size
    UnknownTag,          // a tag id no tag entry names
};

struct Problem {
    ProblemKind kind;
    std::string source;     // the queued file
    std::string entry;      // the entry inside it; empty for the file as a whole
    std::string reason;     // a sentence fragment: "the .meta is not JSON (...)"
    bool itemLost = false;  // whether an item is not delivered because of it

    // "SOURCE: ENTRY: reason."
    std::string text() const {
        return source + (entry.empty() ? "" : ": " + entry) + ": " + reason;
    }
};

}  // namespace tolvane::source
