#include "contact/ContactRecord.h"

namespace tolvane::contact {

const std::string* ContactRecord::get(std::string_view name) const {
    for (const auto& [n, v] : fields) {
        if (n == name) {
            return &v;
        }
    }
    return nullptr;
}

std::string ContactRecord::value(std::string_view name) const {
    const std::string* v = get(name);
    return v ? *v : std::string();
}

void ContactRecord::set(std::string name, std::string value) {
    for (auto& [n, v] : fields) {
        if (n == name) {
            v = std::move(value);
            return;
        }
    }
    fields.emplace_back(std::move(name), std::move(value));
}

std::string ContactRecord::add(std::string_view base, std::string value, int firstSuffix,
                               bool skipFirst) {
    std::string name(base);
    for (int n = firstSuffix; (skipFirst || get(name)) && n < 1000; ++n) {
        name = std::string(base) + std::to_string(n);
        skipFirst = false;
    }
    set(name, std::move(value));
    return name;
}

}  // namespace tolvane::contact
