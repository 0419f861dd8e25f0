#include "outlook/Outlook.h"

#include "platform/AppError.h"
#include "store/Folder.h"
#include "store/Profile.h"
#include "store/Store.h"
#include "store/StoreErrc.h"

namespace tolvane::outlook {

Folder::Folder(std::shared_ptr<store::Folder> folder, std::string name, std::string path,
               std::shared_ptr<store::Profile> profile)
    : folder_(std::move(folder)),
      name_(std::move(name)),
      path_(std::move(path)),
      profile_(std::move(profile)) {}

Folder FolderCollection::Item(const std::string& name) const {
    if (!parent_) {
        if (auto store = profile_->findByDisplayName(name)) {
            return Folder(store->IPMRootFolder(), store->DisplayName(), "\\" + store->DisplayName(),
                          profile_);
        }
        throw AppError(store::errc::kNotFound, "Outlook has no top-level folder \"" + name + "\"");
    }
    if (auto child = parent_->Folders().Find(name)) {
        return Folder(child, child->Name(), parentPath_ + "\\" + child->Name(), profile_);
    }
    throw AppError(store::errc::kNotFound,
                   "The folder " + parentPath_ + " has no subfolder \"" + name + "\"");
}

Folder FolderCollection::operator()(const std::string& name) const {
    return Item(name);
}

Folder FolderCollection::Add(const std::string& name, int folderType) {
    if (!parent_) {
        throw AppError(store::errc::kNoSupport,
                       "A top-level folder is a store; it cannot be added here");
    }
    auto child = parent_->Folders().Add(name, folderType);
    return Folder(child, child->Name(), parentPath_ + "\\" + child->Name(), profile_);
}

Namespace Application::GetNamespace(const std::string& type) const {
    if (type != "MAPI") {
        throw AppError(store::errc::kInvalidParameter, "Unknown namespace type \"" + type + "\"");
    }
    return Namespace(state_->profile);
}

Explorer Application::ActiveExplorer() const {
    const auto& current = state_->currentFolder;
    if (!current) {
        throw AppError(store::errc::kNotFound,
                       "No Outlook window is active, so a relative folder path has no folder "
                       "to start from");
    }
    // The explorer shows the folder's path from its store's display name down.
    const std::string storePath = current->FolderPath();  // "\\Display\a\b"
    return Explorer(Folder(current, current->Name(), storePath.substr(1), state_->profile));
}

}  // namespace tolvane::outlook
