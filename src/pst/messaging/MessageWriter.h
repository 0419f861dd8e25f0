#pragma once

// Writes one message as a node's content ([MS-PST] 2.4.5, 2.4.6): its property context, the
// recipient table, the attachment table and one attachment object per attachment, embedded
// messages nested to any depth. What a store computes on the way comes from StoreComputed.

#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "mapi/Message.h"
#include "pst/ltp/SubnodeSet.h"
#include "pst/ltp/TableLayout.h"
#include "pst/messaging/NameToIdMap.h"
#include "pst/messaging/StoreComputed.h"

namespace tolvane::pst::messaging {

class MessageWriter {
  public:
    MessageWriter(ndb::BlockWriter& db, NameToIdMap& names);

    struct Written {
        ltp::NodeContent content;
        std::uint32_t size = 0;  // PidTagMessageSize
        // Every property the message PC holds (pointing into the message or `computed`), for
        // the contents-table row that mirrors it.
        std::vector<std::pair<std::uint16_t, const mapi::PropValue*>> props;
        std::deque<mapi::PropValue> computed;
    };
    // `attached`: the message is the content of an attachment of another message.
    Written write(const mapi::Message& message, bool attached = false);

  private:
    ltp::NodeContent writeRecipients(const mapi::Message& message);
    // The template's columns plus `tags`. Messages of a run mostly carry the same recipient
    // properties, so the last layout is kept: building one cost more than the rows it holds.
    const ltp::TableLayout& recipientLayout(std::span<const mapi::PropTag> tags);
    void writeAttachments(const mapi::Message& message, mapi::FileTime created,
                          ltp::SubnodeSet& subnodes);
    ltp::NodeContent writeAttachment(const mapi::Attachment& attachment, mapi::FileTime created,
                                     WrittenProps& props);

    ndb::BlockWriter& db_;
    NameToIdMap& names_;
    StoreComputed computed_;
    std::vector<mapi::PropTag> recipientTags_;  // sorted, each once
    std::optional<ltp::TableLayout> recipientLayout_;
};

}  // namespace tolvane::pst::messaging
