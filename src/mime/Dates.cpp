#include "mime/Dates.h"

#include <gmime/gmime.h>

#include <algorithm>
#include <string>
#include <vector>

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

bool isSeparator(char c) {
    return c == ' ' || c == '\t' || c == ',';
}

std::vector<std::string_view> wordsOf(std::string_view text) {
    std::vector<std::string_view> words;
    for (std::size_t i = 0; i < text.size();) {
        while (i < text.size() && isSeparator(text[i]))
            ++i;
        const std::size_t start = i;
        while (i < text.size() && !isSeparator(text[i]))
            ++i;
        if (i > start)
            words.push_back(text.substr(start, i - start));
    }
    return words;
}

// RFC 5322 §4.3: a two-digit year is 2000-2049 below 50, else 19xx; a three-digit year is
// 1900 more. Written out in four digits before GMime reads the date (it takes 50 as 2050
// and refuses 101). Only a number after "day month" is a year: in "Oct 25" it is the day.
std::string fourDigitYear(const std::string& text) {
    const std::vector<std::string_view> words = wordsOf(text);
    for (std::size_t k = 1; k + 1 < words.size(); ++k) {
        if (!isMonth(words[k]))
            continue;
        const std::string_view day = words[k - 1], year = words[k + 1];
        if (!allDigits(day) || day.size() > 2 || !allDigits(year) ||
            (year.size() != 2 && year.size() != 3)) {
            return text;
        }
        int value = std::stoi(std::string(year));
        value += year.size() == 3 ? 1900 : value < 50 ? 2000 : 1900;
        const auto at = static_cast<std::size_t>(year.data() - text.data());
        return text.substr(0, at) + std::to_string(value) + text.substr(at + year.size());
    }
    return text;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && lowerAscii(a) == b;
}

// Dates that put the month first, which RFC 5322 never does, in its order for GMime: C's
// asctime ("Tue Oct 25 10:49:07 2005", at most a zone before the year), read as UTC when it
// names no zone, as mail clients read it; and the long form some webmail wrote ("Wednesday,
// April 03, 2002 5:56 AM", the year before the time), read in `zoneless` when it names none.
std::optional<std::string> monthFirst(std::string_view text, std::string_view zoneless) {
    const std::vector<std::string_view> words = wordsOf(text);
    std::size_t i = 0;
    if (i < words.size() && !isMonth(words[i]) &&
        std::all_of(words[i].begin(), words[i].end(),
                    [](char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; })) {
        ++i;  // the weekday
    }
    if (i + 1 >= words.size() || !isMonth(words[i]) || !allDigits(words[i + 1]) ||
        words[i + 1].size() > 2) {
        return std::nullopt;
    }
    std::string_view year, time, zone;
    bool am = false, pm = false, yearFirst = false;
    for (std::size_t k = i + 2; k < words.size(); ++k) {
        const std::string_view w = words[k];
        if (time.empty() && w.find(':') != std::string_view::npos) {
            time = w;
        } else if (year.empty() && allDigits(w) && w.size() == 4) {
            year = w;
            yearFirst = time.empty();
        } else if (equalsNoCase(w, "am") || equalsNoCase(w, "pm")) {
            (equalsNoCase(w, "am") ? am : pm) = true;
        } else if (zone.empty() && w.front() != '(') {
            zone = w;
        } else if (w.front() != '(') {
            return std::nullopt;  // words no date has
        }
    }
    // H:MM or H:MM:SS.
    const auto colon = time.find(':');
    const auto colon2 = time.find(':', colon + 1);
    const std::string_view hh = time.substr(0, colon);
    const std::string_view mm = time.substr(
        colon + 1, colon2 == std::string_view::npos ? std::string_view::npos : colon2 - colon - 1);
    const std::string_view ss =
        colon2 == std::string_view::npos ? std::string_view("00") : time.substr(colon2 + 1);
    if (year.empty() || !allDigits(hh) || hh.size() > 2 || !allDigits(mm) || mm.size() != 2 ||
        !allDigits(ss) || ss.size() != 2) {
        return std::nullopt;
    }
    int hour = std::stoi(std::string(hh));
    if (am || pm) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        hour = hour % 12 + (pm ? 12 : 0);
    }
    if (zone.empty())
        zone = yearFirst ? zoneless : "+0000";
    return std::string(words[i + 1]) + " " + std::string(words[i].substr(0, 3)) + " " +
           std::string(year) + " " + (hour < 10 ? "0" : "") + std::to_string(hour) + ":" +
           std::string(mm) + ":" + std::string(ss) + " " + std::string(zone);
}

}  // namespace

std::optional<std::int64_t> parseDate(std::string_view raw, std::string_view zoneless) {
    std::string text = unfold(raw);
    text = monthFirst(text, zoneless).value_or(fourDigitYear(text));
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

std::optional<std::string> receivedZone(std::string_view raw) {
    const std::size_t semi = raw.rfind(';');
    if (semi == std::string_view::npos)
        return std::nullopt;
    const std::string date = unfold(raw.substr(semi + 1));
    for (const std::string_view w : wordsOf(date)) {
        if (w.size() == 5 && (w[0] == '+' || w[0] == '-') && allDigits(w.substr(1)))
            return std::string(w);
    }
    return std::nullopt;
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
