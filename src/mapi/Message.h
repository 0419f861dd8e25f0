#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "mapi/PropertyList.h"
#include "platform/FileStamp.h"

namespace tolvane::mapi {

struct Message;

// One row of a message's recipient table (MS-OXCMSG 2.2.1.45): PidTagRecipientType,
// display name, address, address type, entry id, search key, ...
struct Recipient {
    PropertyList props;
};

// One attachment. Its data is PidTagAttachDataBinary in props, in memory or as a stream; an
// embedded message (PidTagAttachMethod 5) is held in `embedded` instead.
struct Attachment {
    PropertyList props;
    std::unique_ptr<Message> embedded;
};

// What an import judged its input to be. NotAMessage: no header field of mail at its start
// (a binary file, a text document); it is still stored, whole, as a body, and whoever
// imported it says so, naming the input.
enum class ImportVerdict : std::uint8_t { Message, NotAMessage };

// A format-neutral message: what an import produces and a store writer consumes.
struct Message {
    PropertyList props;
    std::vector<Recipient> recipients;
    std::vector<Attachment> attachments;
    // What the message holds in memory, as the import that made it counted; no property of
    // the message, only for those who budget memory (the read-ahead).
    std::uint64_t memoryBytes = 0;
    // No property of the message either: for the one who reports on the input.
    ImportVerdict verdict = ImportVerdict::Message;
    // The file as the import found it when it opened it, so the one who queued it can tell a
    // change without looking again; none where no file was read, or on Windows.
    std::optional<FileStamp> readStamp;
};

}  // namespace tolvane::mapi
