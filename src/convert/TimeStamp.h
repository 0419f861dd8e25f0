#pragma once

#include <functional>
#include <string>

namespace tolvane::convert {

// A local date and time as the clock reads it.
struct LocalTime {
    int year = 0;
    int month = 0;  // 1 to 12
    int day = 0;    // 1 to 31
    int hour = 0;   // 0 to 23
    int minute = 0;
    int second = 0;
};

using Clock = std::function<LocalTime()>;

// The machine's local time.
LocalTime systemLocalTime();

// day.month.yy hour.minute.ss, whatever the regional settings: 6.12.26 4.5.07.
std::string formatTimeStamp(const LocalTime& time);

}  // namespace tolvane::convert
