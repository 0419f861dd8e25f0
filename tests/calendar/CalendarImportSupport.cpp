#include "CalendarImportSupport.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "calendar/CivilTime.h"
#include "mapi/Tags.h"

namespace tolvane::calendar::test {

std::string Imported::problemText() const {
    std::string out;
    for (const Problem& p : problems) {
        out += p.where + ": " + p.what + "\n";
    }
    return out;
}

const mapi::Message& Imported::only() const {
    if (items.size() != 1) {
        throw std::runtime_error(std::to_string(items.size()) + " items, not one");
    }
    return items.front().message;
}

Imported importIcs(const std::string& text, const std::string& localZone) {
    return importIcs(text, ImportOptions{.localZone = localZone});
}

Imported importIcs(const std::string& text, const ImportOptions& options) {
    Imported out;
    CalendarImporter importer(options);
    auto result = importer.importText(
        text, "test.ics", [&](CalendarItem item) { out.items.push_back(std::move(item)); });
    out.problems = std::move(result.problems);
    return out;
}

std::string readData(const std::string& name) {
    std::ifstream in(std::string(TOLVANE_CALENDAR_DATA) + "/" + name, std::ios::binary);
    if (!in) {
        throw std::runtime_error("missing test input " + name);
    }
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

Imported importFile(const std::string& name, const std::string& localZone) {
    Imported out;
    CalendarImporter importer(ImportOptions{.localZone = localZone});
    const std::string text = readData(name);
    auto result = importer.importText(
        text, name, [&](CalendarItem item) { out.items.push_back(std::move(item)); });
    out.problems = std::move(result.problems);
    return out;
}

const mapi::Message& bySubject(const Imported& in, const std::string& subject) {
    for (const CalendarItem& i : in.items) {
        if (i.message.props.get(mapi::tag::kSubject)->asString() == subject) {
            return i.message;
        }
    }
    throw std::runtime_error("no item '" + subject + "'\n" + in.problemText());
}

std::int64_t minutesOf(const mapi::Message& m, const mapi::NamedTag& t) {
    return minutesOfFileTime(m.props.getNamed(t)->asTime());
}

std::int64_t utc(int y, int mo, int d, int h, int mi) {
    return minutesSince1601({y, mo, d}, h, mi);
}

std::string hex(const std::vector<std::uint8_t>& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (const std::uint8_t b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 0xF];
    }
    return out;
}

}  // namespace tolvane::calendar::test
