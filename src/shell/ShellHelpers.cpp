#include "shell/ShellHelpers.h"

#include <exception>

#include "platform/AppError.h"

namespace tolvane::shell {

bool OpenDocument(Ui& ui, const std::string& target) {
    if (target.empty()) {
        return false;
    }
    return ui.openUrl(target);
}

std::string BrowseForFolder(Ui& ui, const std::string& title) {
    // Callers take "" to mean that nothing was chosen, so a failing picker must look the same.
    try {
        return ui.browseForFolder(title);
    } catch (const std::exception&) {
        return {};
    }
}

std::string FolderFromPath(const std::string& path, PathSyntax syntax) {
    if (path.empty()) {
        throw AppError(errc::kSubscriptOutOfRange, "Subscript out of range");
    }
    const auto lastSeparator = path.rfind(separatorOf(syntax));
    if (lastSeparator == std::string::npos) {
        return {};
    }
    return path.substr(0, lastSeparator + 1);
}

}  // namespace tolvane::shell
