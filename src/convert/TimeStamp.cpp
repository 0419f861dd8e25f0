#include "convert/TimeStamp.h"

#include <ctime>

namespace tolvane::convert {

LocalTime systemLocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
#ifdef _WIN32
    localtime_s(&parts, &now);
#else
    localtime_r(&now, &parts);
#endif
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
            parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

std::string formatTimeStamp(const LocalTime& time) {
    const auto twoDigits = [](int value) {
        const int v = ((value % 100) + 100) % 100;
        return std::string{static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)};
    };
    return std::to_string(time.day) + "." + std::to_string(time.month) + "." +
           twoDigits(time.year) + " " + std::to_string(time.hour) + "." +
           std::to_string(time.minute) + "." + twoDigits(time.second);
}

}  // namespace tolvane::convert
