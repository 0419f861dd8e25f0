#pragma once

// The name-to-id map ([MS-PST] 2.4.7, node 0x61): which named property each id from 0x8000
// stands for. Starts with the names Outlook puts into a new store, registers every name a
// message uses, and is written once when the store closes.

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "mapi/PropertyList.h"
#include "pst/ltp/SubnodeSet.h"

namespace tolvane::pst::messaging {

class NameToIdMap {
  public:
    NameToIdMap();

    // The property id of the name, registering it when it is new. Throws PstError when the
    // 0x8000-0xFFFE range is full.
    std::uint16_t idFor(const mapi::NamedProperty& name);
    std::size_t size() const { return names_.size(); }

    // Writes the map's property context as the data of a node.
    ltp::NodeContent write(ndb::BlockWriter& db) const;

    // A property list as (id, value) pairs: tagged ids as they are, named ones through the map.
    std::vector<std::pair<std::uint16_t, const mapi::PropValue*>> resolve(
        const mapi::PropertyList& props);

  private:
    // wGuid of a property set; 0 while the set has no GUID stream entry.
    std::uint16_t guidIndex(const mapi::Guid& guid) const;

    std::vector<mapi::NamedProperty> names_;  // position = id - 0x8000
    std::map<mapi::NamedProperty, std::uint16_t> ids_;
    std::vector<mapi::Guid> guids_;  // the GUID stream
};

}  // namespace tolvane::pst::messaging
