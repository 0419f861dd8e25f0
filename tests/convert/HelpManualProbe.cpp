// A program that looks for its Help manual as tolvane and tolvane-convert do, and writes what
// it found into help-manual.txt beside itself: the manual's path, "found" or "missing", and
// the troubleshooting link, one a line. The tests copy it where a program may be installed.
#include <filesystem>
#include <fstream>

#include "convert/HelpLink.h"
#include "platform/ProgramFile.h"

int main() {
    const std::filesystem::path manual = tolvane::convert::helpManual();
    std::error_code error;
    const bool found = std::filesystem::is_regular_file(manual, error);
    const std::u8string path = manual.u8string();
    std::ofstream(tolvane::programFile().parent_path() / "help-manual.txt", std::ios::binary)
        << std::string(path.begin(), path.end()) << "\n"
        << (found ? "found" : "missing") << "\n"
        << tolvane::convert::troubleshootingUrl() << "\n";
    return 0;
}
