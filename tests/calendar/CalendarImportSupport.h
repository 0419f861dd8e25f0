#pragma once

// Imports iCalendar text from a string or from tests/calendar/data for a test; no PST involved,
// so the Windows build's tests use it too.

#include <cstdint>
#include <string>
#include <vector>

#include "calendar/CalendarImport.h"

namespace tolvane::calendar::test {

struct Imported {
    std::vector<CalendarItem> items;
    std::vector<Problem> problems;
    std::string problemText() const;
    const mapi::Message& only() const;
};

Imported importIcs(const std::string& text, const std::string& localZone = {});
Imported importIcs(const std::string& text, const ImportOptions& options);
Imported importFile(const std::string& name, const std::string& localZone = {});
std::string readData(const std::string& name);  // a file of tests/calendar/data; fails when missing

// The imported item of that subject; throws, listing the problems, when there is none.
const mapi::Message& bySubject(const Imported& in, const std::string& subject);
// A time property of the item, and a UTC wall clock, as minutes since 1601.
std::int64_t minutesOf(const mapi::Message& m, const mapi::NamedTag& t);
std::int64_t utc(int y, int mo, int d, int h, int mi);
std::string hex(const std::vector<std::uint8_t>& bytes);  // upper-case digits

}  // namespace tolvane::calendar::test
