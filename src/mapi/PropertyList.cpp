#include "mapi/PropertyList.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace tolvane::mapi {

namespace {

bool idBefore(const std::pair<std::uint16_t, PropValue>& entry, std::uint16_t id) {
    return entry.first < id;
}

[[noreturn]] void wrongType(PropType tagType, const PropValue& value, const std::string& what) {
    throw std::invalid_argument(
        what + ": a value of type " + std::to_string(static_cast<unsigned>(value.type())) +
        " for a tag of type " + std::to_string(static_cast<unsigned>(tagType)));
}

}  // namespace

NamedProperty NamedTag::property() const {
    return {propertySet, lid, lid ? std::string() : std::string(name)};
}

void PropertyList::set(PropTag tag, PropValue value) {
    if (value.type() != tag.type)
        wrongType(tag.type, value, "property " + std::to_string(tag.id));
    auto it = std::lower_bound(tagged_.begin(), tagged_.end(), tag.id, idBefore);
    if (it != tagged_.end() && it->first == tag.id) {
        it->second = std::move(value);
    } else {
        tagged_.emplace(it, tag.id, std::move(value));
    }
}

void PropertyList::erase(PropTag tag) {
    auto it = std::lower_bound(tagged_.begin(), tagged_.end(), tag.id, idBefore);
    if (it != tagged_.end() && it->first == tag.id && it->second.type() == tag.type) {
        tagged_.erase(it);
    }
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
    auto it = std::lower_bound(tagged_.begin(), tagged_.end(), tag.id, idBefore);
    return it != tagged_.end() && it->first == tag.id && it->second.type() == tag.type ? &it->second
                                                                                       : nullptr;
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
