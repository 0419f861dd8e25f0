#pragma once

#include <memory>
#include <vector>

#include "mapi/PropertyList.h"

namespace tolvane::mapi {

struct Message;

// One row of a message's recipient table (MS-OXCMSG 2.2.1.45): PidTagRecipientType,
// display name, address, address type, entry id, search key, ...
struct Recipient {
    PropertyList props;
};

// One attachment. Its data is PidTagAttachDataBinary (0x3701) in props, in memory or as a
// stream; an embedded message (PidTagAttachMethod 5) is held in `embedded` instead.
struct Attachment {
    PropertyList props;
    std::unique_ptr<Message> embedded;
};

// A format-neutral message: what an import produces and a store writer consumes.
struct Message {
    PropertyList props;
    std::vector<Recipient> recipients;
    std::vector<Attachment> attachments;
};

}  // namespace tolvane::mapi
