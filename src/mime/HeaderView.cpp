#include "mime/HeaderView.h"

#include <strings.h>

#include "mime/HeaderText.h"

namespace tolvane::mime {

namespace {
bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), b.size()) == 0;
}
}  // namespace

void HeaderView::snapshot(GMimeObject* object, std::vector<Entry>& into) {
    GMimeHeaderList* list = object ? g_mime_object_get_header_list(object) : nullptr;
    if (!list)
        return;
    const int n = g_mime_header_list_get_count(list);
    into.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        GMimeHeader* h = g_mime_header_list_get_header_at(list, i);
        const char* name = g_mime_header_get_name(h);
        if (name)
            into.push_back({name, g_mime_header_get_raw_value(h)});
    }
}

HeaderView::HeaderView(GMimeObject* object, const UndeclaredCharsets& undeclared)
    : undeclared_(&undeclared) {
    snapshot(object, own_);
}

HeaderView::HeaderView(GMimeMessage* message, const UndeclaredCharsets& undeclared)
    : HeaderView(message ? GMIME_OBJECT(message) : nullptr,
                 message ? g_mime_message_get_mime_part(message) : nullptr, undeclared) {}

HeaderView::HeaderView(GMimeObject* fields, GMimeObject* contentFields,
                       const UndeclaredCharsets& undeclared)
    : undeclared_(&undeclared) {
    snapshot(fields, own_);
    if (contentFields != fields)
        snapshot(contentFields, part_);
}

std::optional<std::string> HeaderView::find(const std::vector<Entry>& list, std::string_view name,
                                            bool last) const {
    const std::size_t n = list.size();
    for (std::size_t k = 0; k < n; ++k) {
        const Entry& e = list[last ? n - 1 - k : k];
        if (sameName(e.name, name))
            return std::string(e.raw ? e.raw : "");
    }
    return std::nullopt;
}

std::optional<std::string> HeaderView::firstRaw(std::string_view name) const {
    if (auto v = find(own_, name, false))
        return v;
    return find(part_, name, false);
}

std::optional<std::string> HeaderView::lastRaw(std::string_view name) const {
    if (auto v = find(own_, name, true))
        return v;
    return find(part_, name, true);
}

std::vector<std::string> HeaderView::allRaw(std::string_view name) const {
    std::vector<std::string> out;
    for (const auto& e : own_) {
        if (sameName(e.name, name))
            out.emplace_back(e.raw ? e.raw : "");
    }
    return out;
}

std::optional<std::string> HeaderView::text(std::string_view name) const {
    auto raw = firstRaw(name);
    if (!raw)
        return std::nullopt;
    return decodeHeaderText(*raw, *undeclared_);
}

}  // namespace tolvane::mime
