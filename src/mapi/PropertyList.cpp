#include "mapi/PropertyList.h"

#include <algorithm>

namespace tolvane::mapi {

namespace propset {
Guid publicStrings() {
    return Guid::parse("{00020329-0000-0000-C000-000000000046}");
}
Guid internetHeaders() {
    return Guid::parse("{00020386-0000-0000-C000-000000000046}");
}
Guid common() {
    return Guid::parse("{00062008-0000-0000-C000-000000000046}");
}
Guid address() {
    return Guid::parse("{00062004-0000-0000-C000-000000000046}");
}
Guid task() {
    return Guid::parse("{00062003-0000-0000-C000-000000000046}");
}
Guid mapi() {
    return Guid::parse("{00020328-0000-0000-C000-000000000046}");
}
}  // namespace propset

void PropertyList::set(std::uint16_t id, PropValue value) {
    tagged_.insert_or_assign(id, std::move(value));
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
    auto it = tagged_.find(id);
    return it == tagged_.end() ? nullptr : &it->second;
}

const PropValue* PropertyList::getNamed(const NamedProperty& name) const {
    auto it = std::find_if(named_.begin(), named_.end(),
                           [&](const auto& entry) { return entry.first == name; });
    return it == named_.end() ? nullptr : &it->second;
}

}  // namespace tolvane::mapi
