#include "source/FolderPath.h"

namespace tolvane::source {

std::string_view withoutBatchSuffix(std::string_view component) {
    const std::size_t bang = component.rfind('!');
    if (bang == std::string_view::npos || bang == 0 || bang + 1 == component.size())
        return component;
    for (std::size_t i = bang + 1; i < component.size(); ++i) {
        if (component[i] < '0' || component[i] > '9')
            return component;
    }
    return component.substr(0, bang);
}

std::vector<std::string> splitMailboxPath(std::string_view path) {
    std::vector<std::string> components;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        if (end > start)
            components.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return components;
}

FolderPath folderPathOf(const Item& item) {
    FolderPath folder;
    if (item.meta && item.meta->path) {
        std::string_view path = *item.meta->path;
        if (item.kind != ItemKind::Folder)
            path = path.substr(0, path.rfind('/') == std::string_view::npos ? 0 : path.rfind('/'));
        folder.components = splitMailboxPath(path);
        folder.fromMeta = true;
        return folder;
    }
    const std::size_t slash = item.entry.rfind('/');
    if (slash == std::string::npos)
        return folder;
    folder.components = splitMailboxPath(std::string_view(item.entry).substr(0, slash));
    if (!folder.components.empty())
        folder.components.back() = std::string(withoutBatchSuffix(folder.components.back()));
    return folder;
}

}  // namespace tolvane::source
