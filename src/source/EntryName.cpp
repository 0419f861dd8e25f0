#include "source/EntryName.h"

#include <vector>

#include "source/NameText.h"
#include "text/Utf8.h"

namespace tolvane::source {

namespace {

bool isDrive(std::string_view part) {
    return part.size() >= 2 && part[1] == ':' &&
           ((part[0] >= 'A' && part[0] <= 'Z') || (part[0] >= 'a' && part[0] <= 'z'));
}

// A component holding backslashes is a path to Windows: drops its ".." steps.
std::string withoutBackslashSteps(std::string_view part, bool& unsafe) {
    std::string kept;
    bool first = true;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = part.find('\\', start);
        const std::string_view step =
            part.substr(start, end == part.npos ? part.npos : end - start);
        if (step == "..") {
            unsafe = true;
        } else {
            if (!first)
                kept += '\\';
            kept += step;
            first = false;
        }
        if (end == part.npos)
            return kept;
        start = end + 1;
    }
}

}  // namespace

SafeName safeEntryName(std::string_view name) {
    SafeName safe;
    std::string_view rest = name;
    if (isDrive(rest)) {
        safe.unsafe = true;
        rest.remove_prefix(2);
    }
    if (!rest.empty() && (rest.front() == '/' || rest.front() == '\\'))
        safe.unsafe = true;
    while (!rest.empty() && (rest.front() == '/' || rest.front() == '\\'))
        rest.remove_prefix(1);

    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= rest.size()) {
        const std::size_t end = std::min(rest.find('/', start), rest.size());
        const std::string_view part = rest.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            safe.unsafe = true;
            continue;
        }
        std::string kept = part.find('\\') == std::string_view::npos
                               ? std::string(part)
                               : withoutBackslashSteps(part, safe.unsafe);
        if (!kept.empty())
            parts.push_back(std::move(kept));
    }
    for (const std::string& part : parts)
        safe.name += safe.name.empty() ? part : "/" + part;
    return safe;
}

std::string entryNameAsUtf8(std::string_view bytes) {
    return text::isValidUtf8(bytes) ? std::string(bytes) : latin1ToUtf8(bytes);
}

}  // namespace tolvane::source
