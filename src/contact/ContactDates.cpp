#include "contact/ContactDates.h"

#include <algorithm>
#include <chrono>
#include <string>

#include "contact/Text.h"

namespace tolvane::contact {
namespace {

std::optional<int> digits(std::string_view s) {
    if (s.empty()) {
        return std::nullopt;
    }
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        v = v * 10 + (c - '0');
    }
    return v;
}

}  // namespace

std::optional<ContactDate> parseContactDate(std::string_view text) {
    text = trim(text);
    if (const auto t = text.find('T'); t != std::string_view::npos) {
        text = text.substr(0, t);  // a time of day says nothing more about the date
    }
    ContactDate d;
    std::string s;
    if (text.starts_with("--")) {
        for (char c : text.substr(2)) {
            if (c != '-') {
                s.push_back(c);
            }
        }
        if (s.size() != 4) {
            return std::nullopt;
        }
        s = "0000" + s;
    } else {
        for (char c : text) {
            if (c != '-') {
                s.push_back(c);
            }
        }
        const auto dashes = static_cast<std::size_t>(std::count(text.begin(), text.end(), '-'));
        if (s.size() != 8 || (dashes != 0 && dashes != 2)) {
            return std::nullopt;
        }
    }
    const auto y = digits(s.substr(0, 4)), m = digits(s.substr(4, 2)), day = digits(s.substr(6, 2));
    if (!y || !m || !day) {
        return std::nullopt;
    }
    d = {*y, *m, *day};
    const int checkYear = d.year == 0 ? 2000 : d.year;  // 29 February is a date without a year
    const std::chrono::year_month_day ymd{std::chrono::year(checkYear),
                                          std::chrono::month(static_cast<unsigned>(d.month)),
                                          std::chrono::day(static_cast<unsigned>(d.day))};
    if (!ymd.ok() || (d.year != 0 && d.year < 1601)) {
        return std::nullopt;
    }
    return d;
}

mapi::FileTime midnightUtc(const ContactDate& date) {
    const std::chrono::sys_days days = std::chrono::year_month_day{
        std::chrono::year(date.year), std::chrono::month(static_cast<unsigned>(date.month)),
        std::chrono::day(static_cast<unsigned>(date.day))};
    return mapi::FileTime::fromUnixSeconds(
        std::chrono::duration_cast<std::chrono::seconds>(days.time_since_epoch()).count());
}

}  // namespace tolvane::contact
