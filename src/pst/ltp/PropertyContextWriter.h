#pragma once

// Writes a property context ([MS-PST] 2.3.3): a heap whose BTH maps property ids to values
// held inline, in the heap, or in subnodes of the node when they are too large for the heap.

#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <variant>
#include <vector>

#include "mapi/PropValue.h"
#include "pst/ltp/HeapWriter.h"
#include "pst/ltp/SubnodeSet.h"

namespace tolvane::pst::ltp {

class PropertyContextWriter {
  public:
    explicit PropertyContextWriter(SubnodeSet& subnodes) : subnodes_(subnodes) {}

    // The value must outlive layout(). A later set of the same id replaces the earlier one.
    void set(std::uint16_t id, const mapi::PropValue& value);
    // A value owned by the writer.
    void setOwned(std::uint16_t id, mapi::PropValue value);
    // PtypObject ([MS-PST] 2.3.3.5): an object held in subnode nid, of the given size.
    void setObject(std::uint16_t id, ndb::Nid nid, std::uint32_t size);
    bool has(std::uint16_t id) const { return props_.count(id) != 0; }

    // Places every value (heap items, subnodes) and returns the heap's size in bytes.
    std::uint64_t layout();
    // Overwrites an inline 4-byte value after layout(); the sizes do not change.
    void patchInt32(std::uint16_t id, std::int32_t value);
    // The heap's blocks.
    std::vector<std::vector<std::uint8_t>> finish() { return heap_.finish(); }

  private:
    struct Object {
        ndb::Nid nid;
        std::uint32_t size;
    };
    using Entry = std::variant<const mapi::PropValue*, Object>;
    std::uint32_t place(const mapi::PropValue& value);

    SubnodeSet& subnodes_;
    std::map<std::uint16_t, Entry> props_;
    std::deque<mapi::PropValue> owned_;
    HeapWriter heap_{kClientSigPc};
    Hid leaf_;
    std::set<std::uint16_t> recordIndex_;
    std::vector<std::uint8_t> records_;
    Hid header_;
};

}  // namespace tolvane::pst::ltp
