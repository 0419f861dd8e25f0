#include "convert/OpenMAPIFolder.h"

#include "text/FolderPath.h"

namespace tolvane::convert {

std::optional<outlook::Folder> OpenMAPIFolder(const std::string& path,
                                              const OutlookFactory& createOutlook) {
    std::optional<outlook::Folder> current;
    const outlook::Application application = createOutlook();

    std::string_view remaining = path;
    if (!remaining.empty() && remaining.front() == text::kFolderSeparator) {
        remaining.remove_prefix(1);
    } else {
        current = application.ActiveExplorer().CurrentFolder();
    }
    for (const std::string_view name : text::folderNames(remaining)) {
        if (!current) {
            current = application.GetNamespace("MAPI").Folders()(std::string(name));
        } else {
            current = current->Folders()(std::string(name));
        }
    }
    return current;
}

}  // namespace tolvane::convert
