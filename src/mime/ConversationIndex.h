#pragma once

// PidTagConversationIndex (MS-OXOMSG 2.2.1.3) for a message without a usable Thread-Index:
// made from the ids that place it in its thread, the same for the same message on every
// machine. The 22-byte header block, which Outlook groups a conversation by, comes from the
// thread's first id, so every message of a thread shares it; below it one 5-byte child block
// per level, each from the id of that level's message, so a reply's index extends its
// parent's.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mapi/PropValue.h"

namespace tolvane::mime {

struct ThreadIds {
    std::vector<std::string> references;  // References, first (the thread's start) to last
    std::optional<std::string> inReplyTo;
    std::optional<std::string> messageId;
    // Stands for the message's own id when it has none (its date, sender and subject).
    std::string withoutId;
};

// The msg-ids of a References or In-Reply-To value (RFC 5322 §3.6.4), without their angle
// brackets; tokens with an '@' are taken when no bracketed id is found.
std::vector<std::string> messageIds(std::string_view raw);

mapi::Bytes conversationIndex(const ThreadIds& ids);

}  // namespace tolvane::mime
