#include "mapi/PropertyList.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace tolvane::mapi {

namespace {

[[noreturn]] void wrongType(PropType tagType, const PropValue& value, const std::string& what) {
    throw std::invalid_argument(
        what + ": a value of type " + std::to_string(static_cast<unsigned>(value.type())) +
        " for a tag of type " + std::to_string(static_cast<unsigned>(tagType)));
}

}  // namespace

NamedProperty NamedTag::property() const {
    return {propertySet, lid, lid ? std::string() : std::string(name)};
}

std::vector<PropertyList::Slot>::const_iterator PropertyList::find(std::uint16_t id) const {
    return std::lower_bound(
        order_.begin(), order_.end(), id,
        [](const Slot& slot, std::uint16_t wanted) { return slot.id < wanted; });
}

void PropertyList::set(PropTag tag, PropValue value) {
    if (value.type() != tag.type)
        wrongType(tag.type, value, "property " + std::to_string(tag.id));
    const auto at = find(tag.id);
    if (at != order_.end() && at->id == tag.id) {
        values_[at->value] = std::move(value);
        return;
    }
    const auto slot = static_cast<std::uint16_t>(values_.size());
    values_.push_back(std::move(value));
    order_.insert(at, Slot{tag.id, slot});
}

// The last value moves into the erased one's place, so the values stay packed.
void PropertyList::erase(PropTag tag) {
    const auto at = find(tag.id);
    if (at == order_.end() || at->id != tag.id || values_[at->value].type() != tag.type) {
        return;
    }
    const std::uint16_t freed = at->value;
    order_.erase(at);
    const auto last = static_cast<std::uint16_t>(values_.size() - 1);
    if (freed != last) {
        values_[freed] = std::move(values_[last]);
        std::find_if(order_.begin(), order_.end(), [&](const Slot& s) {
            return s.value == last;
        })->value = freed;
    }
    values_.pop_back();
}

void PropertyList::setNamed(const NamedTag& tag, PropValue value) {
    if (value.type() != tag.type)
        wrongType(tag.type, value, "named property");
    const NamedProperty name = tag.property();
    auto it = std::find_if(named_.begin(), named_.end(),
                           [&](const auto& entry) { return entry.first == name; });
    if (it != named_.end()) {
        it->second = std::move(value);
    } else {
        named_.emplace_back(name, std::move(value));
    }
}

const PropValue* PropertyList::get(PropTag tag) const {
    const auto at = find(tag.id);
    if (at == order_.end() || at->id != tag.id) {
        return nullptr;
    }
    const PropValue& value = values_[at->value];
    return value.type() == tag.type ? &value : nullptr;
}

const PropValue* PropertyList::getNamed(const NamedTag& tag) const {
    const PropValue* value = getNamed(tag.property());
    return value && value->type() == tag.type ? value : nullptr;
}

const PropValue* PropertyList::getNamed(const NamedProperty& name) const {
    auto it = std::find_if(named_.begin(), named_.end(),
                           [&](const auto& entry) { return entry.first == name; });
    return it == named_.end() ? nullptr : &it->second;
}

}  // namespace tolvane::mapi
