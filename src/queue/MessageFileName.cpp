#include "queue/MessageFileName.h"

#include <cctype>

#include "source/SourceFormat.h"

namespace tolvane::queue {

namespace {

// Whether the path, stripped of spaces at both ends, ends in the lower-case ASCII extension,
// blind to case.
bool EndsIn(std::string_view path, std::string_view extension) {
    const auto first = path.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return false;
    }
    const std::string_view trimmed = path.substr(first, path.find_last_not_of(' ') - first + 1);
    if (trimmed.size() < extension.size()) {
        return false;
    }
    // The extension is ASCII, so the last bytes of UTF-8 text are its last characters.
    const std::string_view tail = trimmed.substr(trimmed.size() - extension.size());
    for (std::size_t i = 0; i < extension.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(tail[i])) != extension[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool IsMessageFile(std::string_view path) {
    return EndsIn(path, ".eml");
}

bool IsContactOrCalendarFile(std::string_view path) {
    return EndsIn(path, ".vcf") || EndsIn(path, ".ics");
}

bool IsQueueableFile(std::string_view path) {
    for (const std::string_view pattern : source::kSourcePatterns) {
        if (EndsIn(path, pattern.substr(1))) {  // "*.eml" -> ".eml"
            return true;
        }
    }
    return false;
}

}  // namespace tolvane::queue
