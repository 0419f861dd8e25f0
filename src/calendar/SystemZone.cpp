#include "calendar/SystemZone.h"

#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "calendar/Ical.h"
#include "calendar/LocalZoneRule.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/WideText.h"
#endif

namespace tolvane::calendar {
namespace {

// "Europe/Berlin" from TZ=":Europe/Berlin" or a link to ".../zoneinfo/Europe/Berlin".
std::string zoneNameOfSystem() {
    if (const char* tz = std::getenv("TZ"); tz && *tz) {
        std::string_view name(tz);
        if (name.front() == ':')
            name.remove_prefix(1);
        return std::string(name);
    }
    std::error_code error;
    const std::string target = std::filesystem::read_symlink("/etc/localtime", error).string();
    constexpr std::string_view kZoneinfo = "zoneinfo/";
    if (const auto at = target.rfind(kZoneinfo); !error && at != std::string::npos)
        return target.substr(at + kZoneinfo.size());
    return {};
}

#ifdef _WIN32
ZoneTransition transitionOf(const SYSTEMTIME& t) {
    return {t.wMonth, t.wDay, t.wDayOfWeek, t.wHour, t.wMinute, t.wYear};
}
#endif

}  // namespace

#ifdef _WIN32
// Windows names its zones ("W. Europe Standard Time") by no name libical knows, so the zone is
// described by the rule Windows itself applies this year.
LocalZone windowsLocalZone() {
    DYNAMIC_TIME_ZONE_INFORMATION info{};
    if (GetDynamicTimeZoneInformation(&info) == TIME_ZONE_ID_INVALID || !info.TimeZoneKeyName[0])
        return {};
    LocalZoneRule rule{tolvane::win32::Narrow(info.TimeZoneKeyName),
                       static_cast<int>(info.Bias),
                       static_cast<int>(info.StandardBias),
                       static_cast<int>(info.DaylightBias),
                       transitionOf(info.StandardDate),
                       transitionOf(info.DaylightDate)};
    if (info.DynamicDaylightTimeDisabled)
        rule.toStandard = rule.toDaylight = {};  // the user turned daylight saving off
    return {rule.name, vtimezoneOf(rule)};
}
#endif

LocalZone systemLocalZone() {
    if (std::string name = systemZoneName(); !name.empty())
        return {std::move(name), {}};
#ifdef _WIN32
    return windowsLocalZone();
#else
    return {};
#endif
}

std::string systemZoneName() {
    std::string name = zoneNameOfSystem();
    // A POSIX rule such as "CET-1CEST" or an unknown name is no zone libical can place times in;
    // its UTC has no location to be named by, and the importer takes the empty name for UTC.
    icaltimezone* zone = name.empty() ? nullptr : icaltimezone_get_builtin_timezone(name.c_str());
    if (!zone || zone == icaltimezone_get_utc_timezone() || !icaltimezone_get_location(zone))
        return {};
    return name;
}

}  // namespace tolvane::calendar
