#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "pstcheck/Report.h"
#include "pstcheck/ltp/PropertyContext.h"
#include "pstcheck/ndb/BTrees.h"
#include "pstcheck/ndb/BlockSource.h"

namespace tolvane::pstcheck {

// One named property the map registers ([MS-PST] 2.4.7.1 NAMEID): its property set, its name
// or number, and the property id the store uses for it.
struct NamedProperty {
    std::array<std::uint8_t, 16> guid{};
    std::optional<std::string> name;  // UTF-8; set for string names
    std::uint32_t number = 0;         // dwPropertyID of numeric names
    std::uint16_t id = 0;             // 0x8000 + wPropIdx
};

// The entries of a name-to-id map's PC in entry-stream order; entries whose GUID or name the
// streams do not hold are left out (checkNameMap reports them).
std::vector<NamedProperty> namedProperties(const PropertyContext& map);

// [MS-PST] 2.4.7 name-to-id map (NID 0x61): bucket count, GUID, entry and string streams, and
// every entry in the one hash bucket it belongs to. Returns how many named properties exist
// (ids 0x8000 up to 0x8000 + count - 1 are registered), or nothing when the map is unusable.
std::optional<std::uint32_t> checkNameMap(const BTrees& trees, BlockSource& blocks, Report& report);

// The store's named properties by property set and LID, for the checks of item classes.
class NameIndex {
  public:
    NameIndex() = default;
    explicit NameIndex(const std::vector<NamedProperty>& names);
    std::optional<std::uint16_t> id(const std::array<std::uint8_t, 16>& set,
                                    std::uint32_t lid) const;
    bool hasId(std::uint16_t id) const { return ids_.contains(id); }

  private:
    std::map<std::pair<std::array<std::uint8_t, 16>, std::uint32_t>, std::uint16_t> byLid_;
    std::set<std::uint16_t> ids_;
};

}  // namespace tolvane::pstcheck
