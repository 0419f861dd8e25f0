#include "queue/MessageFileName.h"

#include <cctype>

namespace tolvane::queue {

bool IsMessageFile(std::string_view path) {
    const auto first = path.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return false;
    }
    const std::string_view trimmed = path.substr(first, path.find_last_not_of(' ') - first + 1);
    constexpr std::string_view kExtension = ".eml";
    if (trimmed.size() < kExtension.size()) {
        return false;
    }
    // The extension is ASCII, so the last four bytes of UTF-8 text are its last four characters.
    const std::string_view tail = trimmed.substr(trimmed.size() - kExtension.size());
    for (std::size_t i = 0; i < kExtension.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(tail[i])) != kExtension[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace tolvane::queue
