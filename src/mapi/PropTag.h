#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "mapi/PropType.h"
#include "mapi/PropValue.h"

namespace tolvane::mapi {

struct NamedProperty;

// A property tag (MS-OXCDATA 2.9): the id and the type a value of it must have, together.
struct PropTag {
    std::uint16_t id = 0;
    PropType type = PropType::Int32;

    // The 32-bit form: id in the high half, type in the low half.
    constexpr std::uint32_t value() const { return makeTag(id, type); }
    static constexpr PropTag fromValue(std::uint32_t tag) {
        return {static_cast<std::uint16_t>(tag >> 16), static_cast<PropType>(tag & 0xFFFF)};
    }
    friend constexpr bool operator==(PropTag, PropTag) = default;
};

// A named property (MS-OXPROPS 1.3.2) and its type: a property set and either a numeric id
// (LID) or a string name. A store maps each name to a tag id of 0x8000 and up.
struct NamedTag {
    Guid propertySet;
    std::optional<std::uint32_t> lid;  // set for a numeric name
    std::string_view name;             // used when lid is empty
    PropType type = PropType::Int32;

    NamedProperty property() const;
};

}  // namespace tolvane::mapi
