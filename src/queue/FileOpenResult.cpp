#include "queue/FileOpenResult.h"

namespace tolvane::queue {

std::vector<std::string> PathsOfFileOpenResult(std::string result, shell::PathSyntax syntax) {
    if (result.empty()) {
        return {};
    }
    if (result.back() != '\0') {
        result.push_back('\0');
    }
    // p0 .. pm, where pm is the empty piece after the final NUL.
    std::vector<std::string> pieces;
    std::string::size_type start = 0;
    for (auto nul = result.find('\0'); nul != std::string::npos; nul = result.find('\0', start)) {
        pieces.push_back(result.substr(start, nul - start));
        start = nul + 1;
    }
    pieces.push_back(result.substr(start));

    const auto m = pieces.size() - 1;
    const char separator = separatorOf(syntax);
    std::string folder;
    if (m >= 2) {
        folder = pieces[0];
        if (folder.empty() || folder.back() != separator) {
            folder.push_back(separator);
        }
    }
    std::vector<std::string> paths;
    for (std::size_t i = folder.empty() ? 0 : 1; i < m; ++i) {
        paths.push_back(folder + pieces[i]);
    }
    return paths;
}

}  // namespace tolvane::queue
