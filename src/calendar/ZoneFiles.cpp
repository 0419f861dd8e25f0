#include "calendar/ZoneFiles.h"

#ifdef _WIN32
#include <libical/ical.h>
#include <windows.h>

#include <filesystem>
#include <mutex>
#include <string>

#include "platform/ProgramFile.h"
#endif

namespace tolvane::calendar {

#ifdef _WIN32
namespace {

// libical opens its zone files with the C library's narrow fopen, which reads a path in the
// ANSI code page: a folder that code page cannot spell goes by its short (8.3) name.
std::string narrowPath(const std::filesystem::path& folder) {
    std::wstring shortName(32768, L'\0');
    const DWORD length =
        GetShortPathNameW(folder.c_str(), shortName.data(), static_cast<DWORD>(shortName.size()));
    const std::wstring wide =
        length > 0 && length < shortName.size() ? shortName.substr(0, length) : folder.wstring();
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, nullptr, 0,
                                         nullptr, nullptr);
    if (size <= 0) {
        return {};
    }
    std::string out(static_cast<std::size_t>(size), '\0');
    BOOL lossy = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, out.data(), size, nullptr,
                        &lossy);
    out.resize(static_cast<std::size_t>(size - 1));
    return lossy ? std::string() : out;
}

}  // namespace
#endif

// Windows has no system zone data: the Windows build's libical is built with its own zone
// files (one VTIMEZONE per location, scripts/windows-deps.sh), and the programs ship them in
// the zoneinfo folder beside themselves, as they ship the manual. The folder is found from the
// program's own file, never from the path libical was built under, so an installed or copied
// program keeps its zones; libical 3.0 has no way to compile them in. Without the folder a
// named zone is unknown, which the import reports for every time it had to take as UTC.
void useShippedZoneFiles() {
#ifdef _WIN32
    static std::once_flag once;
    std::call_once(once, [] {
        const std::filesystem::path program = programFile();
        if (program.empty()) {
            return;
        }
        const std::string folder = narrowPath(program.parent_path() / "zoneinfo");
        if (!folder.empty()) {
            set_zone_directory(folder.c_str());
        }
    });
#endif
}

}  // namespace tolvane::calendar
