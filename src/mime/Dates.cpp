#include "mime/Dates.h"

#include <gmime/gmime.h>

#include <algorithm>
#include <string>

#include "mime/HeaderText.h"

namespace tolvane::mime {

std::optional<std::int64_t> parseDate(std::string_view raw) {
    const std::string text = unfold(raw);
    if (text.empty() || text.find('\0') != std::string::npos)
        return std::nullopt;
    GDateTime* dt = g_mime_utils_header_decode_date(text.c_str());
    if (!dt)
        return std::nullopt;
    const std::int64_t seconds = g_date_time_to_unix(dt);
    g_date_time_unref(dt);
    return seconds;
}

std::optional<std::int64_t> parseReceivedDate(std::string_view raw) {
    const std::size_t semi = raw.rfind(';');
    if (semi == std::string_view::npos)
        return std::nullopt;
    return parseDate(raw.substr(semi + 1));
}

std::optional<std::int64_t> parseZimbraReceived(std::string_view raw) {
    const std::string text = unfold(raw);
    if (!text.empty() && text.size() <= 15 &&
        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        const std::int64_t n = std::stoll(text);
        return n > 100'000'000'000 ? n / 1000 : n;  // milliseconds past 1973 vs seconds
    }
    return parseDate(text);
}

}  // namespace tolvane::mime
