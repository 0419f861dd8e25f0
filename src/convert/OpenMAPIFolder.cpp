#include "convert/OpenMAPIFolder.h"

namespace tolvane::convert {

std::optional<outlook::Folder> OpenMAPIFolder(const std::string& path,
                                              const OutlookFactory& createOutlook) {
    std::optional<outlook::Folder> current;
    const outlook::Application application = createOutlook();

    std::string remaining = path;
    if (!remaining.empty() && remaining.front() == '\\') {
        remaining.erase(0, 1);
    } else {
        current = application.ActiveExplorer().CurrentFolder();
    }

    while (!remaining.empty()) {
        const auto backslash = remaining.find('\\');
        const std::string name = remaining.substr(0, backslash);
        remaining =
            backslash == std::string::npos ? std::string() : remaining.substr(backslash + 1);
        if (!current) {
            current = application.GetNamespace("MAPI").Folders()(name);
        } else {
            current = current->Folders()(name);
        }
    }
    return current;
}

}  // namespace tolvane::convert
