#include "store/NameFold.h"

#include <glib.h>

#include <algorithm>

namespace tolvane::store {

std::string foldName(std::string_view name) {
    if (!g_utf8_validate(name.data(), static_cast<gssize>(name.size()), nullptr)) {
        std::string lower(name);
        std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        });
        return lower;
    }
    gchar* folded = g_utf8_casefold(name.data(), static_cast<gssize>(name.size()));
    std::string result(folded);
    g_free(folded);
    return result;
}

}  // namespace tolvane::store
