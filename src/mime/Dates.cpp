#include "mime/Dates.h"

#include <gmime/gmime.h>

#include <algorithm>
#include <string>

#include "mime/AsciiText.h"
#include "mime/HeaderText.h"

namespace tolvane::mime {

namespace {

bool isMonth(std::string_view word) {
    static constexpr std::string_view kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                                   "jul", "aug", "sep", "oct", "nov", "dec"};
    if (word.size() < 3)
        return false;
    const std::string lower = lowerAscii(word.substr(0, 3));
    for (std::string_view m : kMonths) {
        if (lower == m)
            return true;
    }
    return false;
}

bool allDigits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// RFC 5322 §4.3: a two-digit year is 2000-2049 below 50, else 19xx; a three-digit year is
// 1900 more. Written out in four digits before GMime reads the date (it takes 50 as 2050
// and refuses 101).
std::string fourDigitYear(const std::string& text) {
    const auto separator = [](char c) { return c == ' ' || c == '\t' || c == ','; };
    std::string_view previous;
    for (std::size_t i = 0; i < text.size();) {
        while (i < text.size() && separator(text[i]))
            ++i;
        const std::size_t start = i;
        while (i < text.size() && !separator(text[i]))
            ++i;
        const std::string_view word = std::string_view(text).substr(start, i - start);
        if (!previous.empty() && isMonth(previous)) {
            if (!allDigits(word) || (word.size() != 2 && word.size() != 3))
                return text;
            int value = std::stoi(std::string(word));
            value += word.size() == 3 ? 1900 : value < 50 ? 2000 : 1900;
            return text.substr(0, start) + std::to_string(value) + text.substr(i);
        }
        previous = word;
    }
    return text;
}

}  // namespace

std::optional<std::int64_t> parseDate(std::string_view raw) {
    const std::string text = fourDigitYear(unfold(raw));
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
