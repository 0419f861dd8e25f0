#pragma once

// Writes a property context ([MS-PST] 2.3.3) as the content of one node: a heap whose BTH maps
// property ids to values held inline, in the heap, or in subnodes of the node when they are
// too large for the heap. Set the values, then write().

#include <cstdint>
#include <deque>
#include <functional>
#include <utility>
#include <variant>
#include <vector>

#include "mapi/PropValue.h"
#include "pst/ltp/DiskStructs.h"
#include "pst/ltp/HeapWriter.h"
#include "pst/ltp/SubnodeSet.h"

namespace tolvane::pst::ltp {

class PropertyContextWriter {
  public:
    // Subnode NIDs count from after lastSubnodeIndex (Outlook's count from 0x401).
    explicit PropertyContextWriter(ndb::BlockWriter& db, std::uint32_t lastSubnodeIndex = 0x400)
        : subnodes_(db, lastSubnodeIndex) {}

    // The node's subnodes: values too large for the heap go here when written, and the
    // caller's own (tables, attachments) may be added before.
    SubnodeSet& subnodes() { return subnodes_; }

    // The value must outlive write(). A later set of the same id replaces the earlier one.
    void set(std::uint16_t id, const mapi::PropValue& value);
    // A value owned by the writer.
    void setOwned(std::uint16_t id, mapi::PropValue value);
    // PtypObject ([MS-PST] 2.3.3.5): an object held in subnode nid, of the given size.
    void setObject(std::uint16_t id, ndb::Nid nid, std::uint32_t size);
    // A PtypInteger32 holding the node's size as written (PidTagMessageSize, PidTagAttachSize):
    // once every value is placed, `size` turns the bytes of the heap and of the subnodes into
    // the value.
    void setNodeSize(std::uint16_t id, std::function<std::int32_t(std::uint64_t nodeBytes)> size);

    // Places every value (heap items, subnodes), writes the heap and the subnode tree, and
    // returns the node's content. Its externalBytes are the bytes setNodeSize() was given.
    NodeContent write();

  private:
    struct Object {
        ndb::Nid nid;
        std::uint32_t size;
    };
    struct NodeSize {};  // the value sizeOfNode_ gives
    using Entry = std::variant<const mapi::PropValue*, Object, NodeSize>;
    std::uint32_t place(const mapi::PropValue& value);
    // The entries in id order, the last set of each id alone.
    void settle();

    SubnodeSet subnodes_;
    // In the order set until write() settles them: a message sets a few dozen, and a tree
    // node for each cost more than one sort.
    std::vector<std::pair<std::uint16_t, Entry>> props_;
    std::deque<mapi::PropValue> owned_;
    std::function<std::int32_t(std::uint64_t)> sizeOfNode_;
    HeapWriter heap_{disk::value::kClientSigPc};
};

}  // namespace tolvane::pst::ltp
