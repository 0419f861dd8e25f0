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

// A property list: tagged properties by id (one value per id, read in id order) and named
// properties by name (in order of first setting). Both are flat arrays: a message holds a
// few dozen properties, and a node per property cost more than the searches. Tagged values
// stay where they were first set and only a small (id, slot) index is kept in id order, so
// setting properties out of order shifts four-byte entries, not values. Values are set and
// read through typed tags: a value of another type than its tag's is refused, and a read
// finds only a value of the tag's type.
class PropertyList {
    struct Slot {
        std::uint16_t id;
        std::uint16_t value;  // index into values_; at most 65,536 ids, so it fits
    };

  public:
    // The tagged properties in id order, as (id, value) pairs.
    class Tagged {
      public:
        class iterator {
          public:
            using value_type = std::pair<std::uint16_t, const PropValue&>;
            using difference_type = std::ptrdiff_t;
            iterator() = default;
            iterator(const Slot* slot, const PropValue* values) : slot_(slot), values_(values) {}
            value_type operator*() const { return {slot_->id, values_[slot_->value]}; }
            iterator& operator++() {
                ++slot_;
                return *this;
            }
            iterator operator++(int) {
                iterator before = *this;
                ++slot_;
                return before;
            }
            friend bool operator==(const iterator&, const iterator&) = default;

          private:
            const Slot* slot_ = nullptr;
            const PropValue* values_ = nullptr;
        };
        Tagged(const std::vector<Slot>& order, const std::vector<PropValue>& values)
            : order_(order), values_(values) {}
        iterator begin() const { return {order_.data(), values_.data()}; }
        iterator end() const { return {order_.data() + order_.size(), values_.data()}; }
        std::size_t size() const { return order_.size(); }

      private:
        const std::vector<Slot>& order_;
        const std::vector<PropValue>& values_;
    };

    // Throws std::invalid_argument when the value's type is not the tag's.
    void set(PropTag tag, PropValue value);
    void setNamed(const NamedTag& tag, PropValue value);
    void erase(PropTag tag);

    const PropValue* get(PropTag tag) const;
    const PropValue* getNamed(const NamedTag& tag) const;
    const PropValue* getNamed(const NamedProperty& name) const;
    bool has(PropTag tag) const { return get(tag) != nullptr; }

    Tagged tagged() const { return {order_, values_}; }
    const std::vector<std::pair<NamedProperty, PropValue>>& named() const { return named_; }
    bool empty() const { return order_.empty() && named_.empty(); }

  private:
    std::vector<Slot>::const_iterator find(std::uint16_t id) const;

    std::vector<Slot> order_;        // by id
    std::vector<PropValue> values_;  // in order of first setting
    std::vector<std::pair<NamedProperty, PropValue>> named_;
};

}  // namespace tolvane::mapi
