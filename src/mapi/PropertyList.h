#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "mapi/PropValue.h"

namespace tolvane::mapi {

// The name of a named property (MS-OXPROPS 1.3.2): a property set and either a numeric
// id (LID) or a string name. A store maps each name to a tag id of 0x8000 and up.
struct NamedProperty {
    Guid propertySet;
    std::optional<std::uint32_t> lid;  // set for a numeric name
    std::string name;                  // UTF-8, used when lid is empty

    static NamedProperty byId(Guid set, std::uint32_t id) { return {set, id, {}}; }
    static NamedProperty byName(Guid set, std::string n) {
        return {set, std::nullopt, std::move(n)};
    }
    friend bool operator==(const NamedProperty&, const NamedProperty&) = default;
    friend auto operator<=>(const NamedProperty&, const NamedProperty&) = default;
};

// Well-known property sets (MS-OXPROPS 1.3.2).
namespace propset {
Guid publicStrings();    // PS_PUBLIC_STRINGS {00020329-0000-0000-C000-000000000046}
Guid internetHeaders();  // PS_INTERNET_HEADERS {00020386-0000-0000-C000-000000000046}
Guid common();           // PSETID_Common {00062008-0000-0000-C000-000000000046}
Guid address();          // PSETID_Address {00062004-0000-0000-C000-000000000046}
Guid task();             // PSETID_Task {00062003-0000-0000-C000-000000000046}
Guid mapi();             // PS_MAPI {00020328-0000-0000-C000-000000000046}
}  // namespace propset

// A property list: tagged properties by id (one value per id, kept in id order) and named
// properties by name (in order of first setting). Both are flat arrays: a message holds a
// few dozen properties, and a node per property cost more than the searches.
class PropertyList {
  public:
    void set(std::uint16_t id, PropValue value);
    void setNamed(const NamedProperty& name, PropValue value);
    void erase(std::uint16_t id);

    const PropValue* get(std::uint16_t id) const;
    const PropValue* getNamed(const NamedProperty& name) const;
    bool has(std::uint16_t id) const { return get(id) != nullptr; }

    const std::vector<std::pair<std::uint16_t, PropValue>>& tagged() const { return tagged_; }
    const std::vector<std::pair<NamedProperty, PropValue>>& named() const { return named_; }
    bool empty() const { return tagged_.empty() && named_.empty(); }

  private:
    std::vector<std::pair<std::uint16_t, PropValue>> tagged_;
    std::vector<std::pair<NamedProperty, PropValue>> named_;
};

}  // namespace tolvane::mapi
