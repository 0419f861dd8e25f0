#include "calendar/SystemZone.h"

#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "calendar/Ical.h"

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

}  // namespace

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
