#include "store/WorkingFile.h"

#include <algorithm>
#include <system_error>

#include "platform/Utf8Path.h"

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

bool nameTaken(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::symlink_status(path, error).type() !=
           std::filesystem::file_type::not_found;
}

std::string firstFreeStorePath(const std::string& wanted) {
    constexpr std::string_view kExtension = ".pst";
    const std::size_t stemLength =
        wanted.ends_with(kExtension) ? wanted.size() - kExtension.size() : wanted.size();
    for (int number = 1; number <= 999; ++number) {
        std::string candidate = wanted;
        if (number > 1) {
            candidate.insert(stemLength, " (" + std::to_string(number) + ")");
        }
        const std::filesystem::path path = PathFromUtf8(candidate);
        if (!nameTaken(path) && !nameTaken(workingPathFor(path))) {
            return candidate;
        }
    }
    return wanted;
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
