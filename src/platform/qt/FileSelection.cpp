#include "platform/qt/FileSelection.h"

#include "platform/AppError.h"

namespace tolvane::qtui {
namespace {

std::string folderOf(const std::string& path, char separator) {
    const auto last = path.rfind(separator);
    return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

// The longest folder (ending with a separator) that both folders start with.
std::string commonFolder(const std::string& a, const std::string& b, char separator) {
    std::size_t same = 0;
    while (same < a.size() && same < b.size() && a[same] == b[same]) {
        ++same;
    }
    return folderOf(a.substr(0, same), separator);
}

}  // namespace

std::string FileOpenResultOf(const std::vector<std::string>& chosenPaths, char separator) {
    if (chosenPaths.empty()) {
        return {};
    }
    if (chosenPaths.size() == 1) {
        return chosenPaths.front();
    }
    std::string folder = folderOf(chosenPaths.front(), separator);
    for (const auto& path : chosenPaths) {
        folder = commonFolder(folder, folderOf(path, separator), separator);
    }
    if (folder.empty()) {
        throw AppError(5, "Invalid procedure call or argument: the files share no folder");
    }
    // A root keeps its separator; any other folder is given without one, as the dialog does.
    std::string result = folder;
    if (folder.size() > 1 && !(folder.size() == 3 && folder[1] == ':')) {
        result.pop_back();
    }
    for (const auto& path : chosenPaths) {
        result.push_back('\0');
        result += path.substr(folder.size());
    }
    return result;
}

std::vector<std::string> QtNameFiltersOf(const std::string& filter) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (auto bar = filter.find('|'); bar != std::string::npos; bar = filter.find('|', start)) {
        parts.push_back(filter.substr(start, bar - start));
        start = bar + 1;
    }
    parts.push_back(filter.substr(start));

    std::vector<std::string> nameFilters;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::string patterns = parts[i + 1];
        for (char& c : patterns) {
            if (c == ';') {
                c = ' ';
            }
        }
        const std::string& description = parts[i];
        // Qt reads the patterns from parentheses at the end; a description that ends with them
        // already is kept as it is, so the user sees the same text.
        // Qt parts patterns at spaces, so the ones shown are given with spaces too.
        const std::string shown = "(" + parts[i + 1] + ")";
        if (description.size() >= shown.size() &&
            description.compare(description.size() - shown.size(), shown.size(), shown) == 0) {
            nameFilters.push_back(description.substr(0, description.size() - shown.size()) + "(" +
                                  patterns + ")");
        } else {
            nameFilters.push_back(description + " (" + patterns + ")");
        }
    }
    return nameFilters;
}

}  // namespace tolvane::qtui
