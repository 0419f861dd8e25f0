#include "store/WorkingFile.h"

#include <algorithm>
#include <system_error>

namespace tolvane::store {

std::filesystem::path workingPathFor(const std::filesystem::path& finalPath) {
    std::string name = finalPath.filename().string();
    constexpr std::string_view kExtension = ".pst";
    if (name.size() >= kExtension.size() &&
        name.compare(name.size() - kExtension.size(), kExtension.size(), kExtension) == 0) {
        name.resize(name.size() - kExtension.size());
    }
    return finalPath.parent_path() / (name + kWorkingSuffix);
}

std::vector<std::string> workingFilesIn(const std::string& folder, const std::string& prefix) {
    std::vector<std::string> found;
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    if (error) {
        return found;
    }
    const std::string_view suffix = kWorkingSuffix;
    for (const auto& entry : entries) {
        const std::string name = entry.path().filename().string();
        if (name.size() >= prefix.size() + suffix.size() && name.rfind(prefix, 0) == 0 &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0 &&
            entry.is_regular_file(error)) {
            found.push_back(folder + name);
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace tolvane::store
