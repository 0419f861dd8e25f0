#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "mapi/PropTag.h"
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
// PS_PUBLIC_STRINGS
constexpr Guid publicStrings() {
    constexpr Guid g = Guid::parse("{00020329-0000-0000-C000-000000000046}");
    return g;
}
// PS_INTERNET_HEADERS
constexpr Guid internetHeaders() {
    constexpr Guid g = Guid::parse("{00020386-0000-0000-C000-000000000046}");
    return g;
}
// PSETID_Common
constexpr Guid common() {
    constexpr Guid g = Guid::parse("{00062008-0000-0000-C000-000000000046}");
    return g;
}
// PSETID_Address
constexpr Guid address() {
    constexpr Guid g = Guid::parse("{00062004-0000-0000-C000-000000000046}");
    return g;
}
// PSETID_Task
constexpr Guid task() {
    constexpr Guid g = Guid::parse("{00062003-0000-0000-C000-000000000046}");
    return g;
}
// PSETID_Appointment
constexpr Guid appointment() {
    constexpr Guid g = Guid::parse("{00062002-0000-0000-C000-000000000046}");
    return g;
}
// PSETID_Remote
constexpr Guid remote() {
    constexpr Guid g = Guid::parse("{00062014-0000-0000-C000-000000000046}");
    return g;
}
// PSETID_Meeting
constexpr Guid meeting() {
    constexpr Guid g = Guid::parse("{6ED8DA90-450B-101B-98DA-00AA003F1305}");
    return g;
}
// The set Outlook files its mention properties under.
constexpr Guid mentions() {
    constexpr Guid g = Guid::parse("{41F28F13-83F4-4114-A584-EEDB5A6B0BFF}");
    return g;
}
// PS_MAPI
constexpr Guid mapi() {
    constexpr Guid g = Guid::parse("{00020328-0000-0000-C000-000000000046}");
    return g;
}
}  // namespace propset

// A property list: tagged properties by id (one value per id, kept in id order) and named
// properties by name (in order of first setting). Both are flat arrays: a message holds a
// few dozen properties, and a node per property cost more than the searches. Values are set
// and read through typed tags: a value of another type than its tag's is refused, and a read
// finds only a value of the tag's type.
class PropertyList {
  public:
    // Throws std::invalid_argument when the value's type is not the tag's.
    void set(PropTag tag, PropValue value);
    void setNamed(const NamedTag& tag, PropValue value);
    void erase(PropTag tag);

    const PropValue* get(PropTag tag) const;
    const PropValue* getNamed(const NamedTag& tag) const;
    const PropValue* getNamed(const NamedProperty& name) const;
    bool has(PropTag tag) const { return get(tag) != nullptr; }

    const std::vector<std::pair<std::uint16_t, PropValue>>& tagged() const { return tagged_; }
    const std::vector<std::pair<NamedProperty, PropValue>>& named() const { return named_; }
    bool empty() const { return tagged_.empty() && named_.empty(); }

  private:
    std::vector<std::pair<std::uint16_t, PropValue>> tagged_;
    std::vector<std::pair<NamedProperty, PropValue>> named_;
};

}  // namespace tolvane::mapi
