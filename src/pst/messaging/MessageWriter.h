#pragma once

// Writes one message as a node's content ([MS-PST] 2.4.5, 2.4.6): its property context, the
// recipient table, the attachment table and one attachment object per attachment, embedded
// messages nested to any depth. Computes what a store computes: message and attachment sizes.

#include <cstdint>
#include <deque>
#include <random>
#include <utility>
#include <vector>

#include "mapi/Message.h"
#include "pst/ltp/SubnodeSet.h"
#include "pst/messaging/NameToIdMap.h"

namespace tolvane::pst::messaging {

class MessageWriter {
  public:
    MessageWriter(ndb::NodeDatabase& db, NameToIdMap& names);

    struct Written {
        ltp::NodeContent content;
        std::uint32_t size = 0;  // PidTagMessageSize
        // Every property the message PC holds (pointing into the message or `computed`), for
        // the contents-table row that mirrors it.
        std::vector<std::pair<std::uint16_t, const mapi::PropValue*>> props;
        std::deque<mapi::PropValue> computed;
    };
    Written write(const mapi::Message& message);

  private:
    ltp::NodeContent writeRecipients(const mapi::Message& message);
    void writeAttachments(const mapi::Message& message, ltp::SubnodeSet& subnodes);
    ltp::NodeContent writeAttachment(
        const mapi::Attachment& attachment,
        std::vector<std::pair<std::uint16_t, const mapi::PropValue*>>& rowProps,
        std::deque<mapi::PropValue>& computed);

    ndb::NodeDatabase& db_;
    NameToIdMap& names_;
    std::mt19937_64 random_;
};

}  // namespace tolvane::pst::messaging
