#pragma once

// The subnodes of one node being written ([MS-PST] 2.2.2.8.3.3): values too large for the
// node's heap, tables and attachments inside a message. Collects their entries and writes the
// node's subnode tree when the node is done.

#include <cstdint>
#include <span>
#include <vector>

#include "mapi/ByteSource.h"
#include "pst/ndb/BlockWriter.h"

namespace tolvane::pst::ltp {

// What a finished node consists of: its data tree, its subnode tree and the bytes of all its
// external blocks, its subnodes' included.
struct NodeContent {
    ndb::Bid data;
    ndb::Bid subnodes;
    std::uint64_t externalBytes = 0;
};

class SubnodeSet {
  public:
    // Subnode NIDs are unique within the node only ([MS-PST] 2.6.1.2.2); Outlook counts them
    // from index 0x401 in messages.
    explicit SubnodeSet(ndb::BlockWriter& db, std::uint32_t lastIndex = 0x400)
        : db_(db), lastIndex_(lastIndex) {}

    ndb::BlockWriter& db() { return db_; }
    // Bytes of the external blocks of the subnodes added so far.
    std::uint64_t externalBytes() const { return externalBytes_; }

    ndb::Nid allocate(ndb::NidType type);
    void add(ndb::Nid nid, const NodeContent& content);

    // A raw value as a subnode of type LTP; returns its NID.
    ndb::Nid addData(std::span<const std::uint8_t> bytes);
    ndb::Nid addStream(const mapi::ByteSource& source);

    // Writes the subnode tree (Bid{} when there are no subnodes) and returns the node's content
    // around the given data tree.
    NodeContent finish(ndb::Bid data, std::uint64_t dataBytes);

  private:
    ndb::BlockWriter& db_;
    std::uint32_t lastIndex_;
    std::vector<ndb::SubnodeEntry> entries_;
    std::uint64_t externalBytes_ = 0;
};

}  // namespace tolvane::pst::ltp
