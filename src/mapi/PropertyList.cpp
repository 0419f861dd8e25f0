#include "mapi/PropertyList.h"

#include <algorithm>

namespace tolvane::mapi {

namespace propset {
Guid publicStrings() {
    static const Guid guid = Guid::parse("{00020329-0000-0000-C000-000000000046}");
    return guid;
}
Guid internetHeaders() {
    static const Guid guid = Guid::parse("{00020386-0000-0000-C000-000000000046}");
    return guid;
}
Guid common() {
    static const Guid guid = Guid::parse("{00062008-0000-0000-C000-000000000046}");
    return guid;
}
Guid address() {
    static const Guid guid = Guid::parse("{00062004-0000-0000-C000-000000000046}");
    return guid;
}
Guid task() {
    static const Guid guid = Guid::parse("{00062003-0000-0000-C000-000000000046}");
    return guid;
}
Guid mapi() {
    static const Guid guid = Guid::parse("{00020328-0000-0000-C000-000000000046}");
    return guid;
}
}  // namespace propset

namespace {
bool idBefore(const std::pair<std::uint16_t, PropValue>& entry, std::uint16_t id) {
    return entry.first < id;
}
}  // namespace

void PropertyList::set(std::uint16_t id, PropValue value) {
    auto it = std::lower_bound(tagged_.begin(), tagged_.end(), id, idBefore);
    if (it != tagged_.end() && it->first == id) {
        it->second = std::move(value);
    } else {
        tagged_.emplace(it, id, std::move(value));
    }
}

void PropertyList::erase(std::uint16_t id) {
    auto it = std::lower_bound(tagged_.begin(), tagged_.end(), id, idBefore);
    if (it != tagged_.end() && it->first == id) {
        tagged_.erase(it);
    }
}

void PropertyList::setNamed(const NamedProperty& name, PropValue value) {
    auto it = std::find_if(named_.begin(), named_.end(),
                           [&](const auto& entry) { return entry.first == name; });
    if (it != named_.end()) {
        it->second = std::move(value);
    } else {
        named_.emplace_back(name, std::move(value));
    }
}

const PropValue* PropertyList::get(std::uint16_t id) const {
    auto it = std::lower_bound(tagged_.begin(), tagged_.end(), id, idBefore);
    return it != tagged_.end() && it->first == id ? &it->second : nullptr;
}

const PropValue* PropertyList::getNamed(const NamedProperty& name) const {
    auto it = std::find_if(named_.begin(), named_.end(),
                           [&](const auto& entry) { return entry.first == name; });
    return it == named_.end() ? nullptr : &it->second;
}

}  // namespace tolvane::mapi
