#include "scan/FileSystem.h"
#include "scan/NameOrder.h"

namespace tolvane::scan {

std::shared_ptr<const FileListing> Folder::Files() {
    auto listing = std::make_shared<FileListing>();
    VisitFiles([&](std::string_view name, EntryKind kind) {
        listing->push_back({std::string(name), kind});
    });
    sortLikeWindowsFolder(*listing);
    return listing;
}

}  // namespace tolvane::scan
