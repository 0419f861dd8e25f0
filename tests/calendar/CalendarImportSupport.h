#pragma once

// Imports iCalendar text from a string or from tests/calendar/data for a test; no PST involved,
// so the Windows build's tests use it too.

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
Imported importFile(const std::string& name, const std::string& localZone = {});
std::string readData(const std::string& name);  // a file of tests/calendar/data; fails when missing

}  // namespace tolvane::calendar::test
