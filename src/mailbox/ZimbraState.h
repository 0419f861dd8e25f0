#pragma once

// Zimbra's record of a message (its .meta) in Outlook's terms: read or unread, the follow-up
// flag, the last verb (replied, forwarded), draft, importance, categories and when the mailbox
// received it, as Outlook stores each (MS-OXCMSG, MS-OXOFLAG).

#include <cstdint>
#include <optional>

#include "mapi/Message.h"
#include "mime/EmlImport.h"
#include "source/Item.h"

namespace tolvane::mailbox {

// Outlook's verbs (PidTagLastVerbExecuted) and list icons (PidTagIconIndex) for them.
inline constexpr std::int32_t kVerbReplyToSender = 102;
inline constexpr std::int32_t kVerbForward = 104;
inline constexpr std::int32_t kIconUnsent = 0x103;
inline constexpr std::int32_t kIconReplied = 0x105;
inline constexpr std::int32_t kIconForwarded = 0x106;

// Without Zimbra's record of a message: read, as every message always was.
void applyStateWithoutRecord(mapi::Message& msg);

class ZimbraState {
  public:
    // `item` is a message with its .meta; it must outlive this.
    explicit ZimbraState(const source::Item& item);

    // What the import takes where the message's own headers say nothing: Zimbra's date as
    // the time it was received, its ! and ? flags as importance.
    mime::OutsideFacts outsideFacts(std::optional<std::int64_t> fileTime = std::nullopt) const;

    // Sets the state on the imported message: its message flags, and the flag, verb and
    // category properties where Zimbra's flags and tags call for them.
    void applyTo(mapi::Message& msg) const;

    // A draft: flagged so, or in Zimbra's Drafts or Zimbra Desktop's Outbox.
    bool isDraft() const { return draft_; }

  private:
    void applyReadAndDraft(mapi::Message& msg) const;
    void applyFollowUpFlag(mapi::Message& msg) const;
    void applyLastVerb(mapi::Message& msg) const;
    void applyCategories(mapi::Message& msg) const;

    const source::Meta& meta_;
    bool draft_ = false;
};

}  // namespace tolvane::mailbox
