#include "mime/HeaderView.h"

#include <strings.h>

#include "mime/HeaderText.h"

namespace tolvane::mime {

namespace {
bool sameName(const char* a, std::string_view b) {
    return a && std::string_view(a).size() == b.size() && strncasecmp(a, b.data(), b.size()) == 0;
}

std::string rawOf(GMimeHeader* h) {
    const char* raw = g_mime_header_get_raw_value(h);
    return raw ? std::string(raw) : std::string();
}
}  // namespace

HeaderView::HeaderView(GMimeMessage* message)
    : list_(message ? g_mime_object_get_header_list(GMIME_OBJECT(message)) : nullptr) {
    GMimeObject* part = message ? g_mime_message_get_mime_part(message) : nullptr;
    if (part)
        partList_ = g_mime_object_get_header_list(part);
}

std::optional<std::string> HeaderView::find(GMimeHeaderList* list, std::string_view name,
                                            bool last) const {
    if (!list)
        return std::nullopt;
    const int n = g_mime_header_list_get_count(list);
    for (int k = 0; k < n; ++k) {
        GMimeHeader* h = g_mime_header_list_get_header_at(list, last ? n - 1 - k : k);
        if (sameName(g_mime_header_get_name(h), name))
            return rawOf(h);
    }
    return std::nullopt;
}

std::optional<std::string> HeaderView::firstRaw(std::string_view name) const {
    if (auto v = find(list_, name, false))
        return v;
    return find(partList_, name, false);
}

std::optional<std::string> HeaderView::lastRaw(std::string_view name) const {
    if (auto v = find(list_, name, true))
        return v;
    return find(partList_, name, true);
}

std::vector<std::string> HeaderView::allRaw(std::string_view name) const {
    std::vector<std::string> out;
    if (!list_)
        return out;
    const int n = g_mime_header_list_get_count(list_);
    for (int i = 0; i < n; ++i) {
        GMimeHeader* h = g_mime_header_list_get_header_at(list_, i);
        if (sameName(g_mime_header_get_name(h), name))
            out.push_back(rawOf(h));
    }
    return out;
}

std::optional<std::string> HeaderView::text(std::string_view name) const {
    auto raw = firstRaw(name);
    if (!raw)
        return std::nullopt;
    return decodeHeaderText(*raw);
}

}  // namespace tolvane::mime
