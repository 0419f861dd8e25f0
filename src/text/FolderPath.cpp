#include "text/FolderPath.h"

namespace tolvane::text {

std::vector<std::string_view> folderNames(std::string_view path) {
    std::vector<std::string_view> names;
    std::size_t at = 0;
    while (at < path.size()) {
        const auto next = path.find(kFolderSeparator, at);
        if (next == std::string_view::npos) {
            names.push_back(path.substr(at));
            break;
        }
        names.push_back(path.substr(at, next - at));
        at = next + 1;
    }
    return names;
}

std::pair<std::string_view, std::string_view> parentAndLeaf(std::string_view path) {
    const auto last = path.rfind(kFolderSeparator);
    if (last == std::string_view::npos) {
        return {std::string_view(), path};
    }
    return {path.substr(0, last), path.substr(last + 1)};
}

}  // namespace tolvane::text
