#include <system_error>

#include "platform/ProgramFile.h"

namespace tolvane {

std::filesystem::path programFile() {
    std::error_code error;
    std::filesystem::path file = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : file;
}

}  // namespace tolvane
