#include "calendar/Ical.h"

#include <strings.h>

namespace tolvane::calendar {

std::optional<std::string> textOf(icalcomponent* c, icalproperty_kind kind) {
    icalproperty* p = icalcomponent_get_first_property(c, kind);
    if (!p) {
        return std::nullopt;
    }
    const char* text = icalvalue_as_ical_string(icalproperty_get_value(p));
    if (!text) {
        return std::nullopt;
    }
    // TEXT values come back escaped; the property's own getter unescapes them.
    if (icalvalue_isa(icalproperty_get_value(p)) == ICAL_TEXT_VALUE) {
        const char* plain = icalvalue_get_text(icalproperty_get_value(p));
        return std::string(plain ? plain : "");
    }
    return std::string(text);
}

icalproperty* xProperty(icalcomponent* c, const char* name) {
    for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_X_PROPERTY); p;
         p = icalcomponent_get_next_property(c, ICAL_X_PROPERTY)) {
        const char* x = icalproperty_get_x_name(p);
        if (x && strcasecmp(x, name) == 0) {
            return p;
        }
    }
    return nullptr;
}

std::optional<std::string> xText(icalcomponent* c, const char* name) {
    icalproperty* p = xProperty(c, name);
    if (!p) {
        return std::nullopt;
    }
    const char* v = icalproperty_get_x(p);
    return std::string(v ? v : "");
}

std::vector<std::string> categoriesOf(icalcomponent* c) {
    std::vector<std::string> out;
    for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_CATEGORIES_PROPERTY); p;
         p = icalcomponent_get_next_property(c, ICAL_CATEGORIES_PROPERTY)) {
        const char* v = icalproperty_get_categories(p);
        std::string list = v ? v : "";
        std::size_t from = 0;
        while (from <= list.size()) {
            std::size_t comma = list.find(',', from);
            if (comma == std::string::npos) {
                comma = list.size();
            }
            std::string one = list.substr(from, comma - from);
            while (!one.empty() && one.front() == ' ') {
                one.erase(0, 1);
            }
            while (!one.empty() && one.back() == ' ') {
                one.pop_back();
            }
            if (!one.empty()) {
                out.push_back(one);
            }
            from = comma + 1;
        }
    }
    return out;
}

std::string propertyLine(icalproperty* p) {
    const char* s = icalproperty_as_ical_string(p);
    std::string out;
    for (const char* c = s ? s : ""; *c; ++c) {
        if (*c == '\r' || *c == '\n') {
            while (c[1] == '\r' || c[1] == '\n') {
                ++c;
            }
            if (c[1] == ' ' || c[1] == '\t') {
                ++c;
            }
            continue;
        }
        out += *c;
    }
    return out;
}

}  // namespace tolvane::calendar
