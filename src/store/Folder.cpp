#include "store/Folder.h"

#include <optional>

#include "platform/AppError.h"
#include "store/MailItem.h"
#include "store/NameFold.h"
#include "store/Store.h"
#include "store/StoreErrc.h"
#include "store/WriteFailure.h"

namespace tolvane::store {
namespace {

inline constexpr int kMailItemType = 0;  // olMailItem

// Outlook's folder types (OlDefaultFolders) as Folders.Add takes them, and the class each
// folder is made with.
std::optional<pst::FolderClass> classOfFolderType(int folderType) {
    switch (folderType) {
        case 6:  // olFolderInbox
            return pst::FolderClass::Note;
        case 9:  // olFolderCalendar
            return pst::FolderClass::Appointment;
        case 10:  // olFolderContacts
            return pst::FolderClass::Contact;
        case 13:  // olFolderTasks
            return pst::FolderClass::Task;
        default:
            return std::nullopt;
    }
}

}  // namespace

Folder::Folder(std::weak_ptr<Store> store, const Folder* parent, pst::FolderId id, std::string name)
    : store_(std::move(store)),
      parent_(parent),
      id_(id),
      name_(std::move(name)),
      foldedName_(foldName(name_)) {}

std::shared_ptr<Store> Folder::owningStore() const {
    auto store = store_.lock();
    if (!store) {
        throw AppError(errc::kInvalidObject, "The store of folder \"" + name_ + "\" is gone");
    }
    return store;
}

std::string Folder::FolderPath() const {
    if (parent_ == nullptr) {
        return "\\\\" + owningStore()->DisplayName();
    }
    return parent_->FolderPath() + "\\" + name_;
}

std::int64_t FolderCollection::Count() const {
    return static_cast<std::int64_t>(parent_->children_.size());
}

std::shared_ptr<Folder> FolderCollection::Item(std::int64_t position) const {
    if (position < 1 || position > Count()) {
        throw AppError(tolvane::errc::kSubscriptOutOfRange, "Subscript out of range");
    }
    return parent_->children_[static_cast<std::size_t>(position - 1)];
}

std::shared_ptr<Folder> FolderCollection::Find(const std::string& name) const {
    const std::string folded = foldName(name);
    for (const auto& child : parent_->children_) {
        if (child->foldedName_ == folded) {
            return child;
        }
    }
    return nullptr;
}

std::shared_ptr<Folder> FolderCollection::Add(const std::string& name, int folderType) {
    const auto folderClass = classOfFolderType(folderType);
    if (!folderClass) {
        throw AppError(errc::kNoSupport,
                       "Folder type " + std::to_string(folderType) + " is not supported");
    }
    if (name.empty()) {
        throw AppError(errc::kInvalidParameter,
                       "A folder needs a name (below " + parent_->FolderPath() + ")");
    }
    if (const auto existing = Find(name)) {
        throw AppError(errc::kCollision, "A folder named \"" + existing->Name() +
                                             "\" already exists in " + parent_->FolderPath() +
                                             ", so \"" + name + "\" cannot be added");
    }
    const auto store = parent_->owningStore();
    pst::FolderId id;
    try {
        id = store->writer().addFolder(parent_->id_, name, *folderClass);
    } catch (const pst::PstError& e) {
        rethrowWriterError(e);
    }
    auto folder = std::make_shared<Folder>(parent_->store_, parent_.get(), id, name);
    parent_->children_.push_back(folder);
    return folder;
}

std::vector<std::shared_ptr<Folder>>::const_iterator FolderCollection::begin() const {
    return parent_->children_.begin();
}

std::vector<std::shared_ptr<Folder>>::const_iterator FolderCollection::end() const {
    return parent_->children_.end();
}

std::shared_ptr<MailItem> ItemCollection::Add(int itemType) {
    if (itemType != kMailItemType) {
        throw AppError(errc::kNoSupport,
                       "Item type " + std::to_string(itemType) + " is not supported");
    }
    if (!folder_->owningStore()->isOpen()) {
        throw AppError(errc::kInvalidObject,
                       "The store of " + folder_->FolderPath() + " is closed");
    }
    return std::make_shared<MailItem>(folder_);
}

std::int64_t ItemCollection::Count() const {
    return folder_->messagesWritten_;
}

}  // namespace tolvane::store
