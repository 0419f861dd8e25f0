#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pst/PstWriter.h"

namespace tolvane::store {

class Store;
class Folder;
class MailItem;

// A folder's subfolders: walked by position or name, extended by Add.
class FolderCollection {
  public:
    explicit FolderCollection(std::shared_ptr<Folder> parent) : parent_(std::move(parent)) {}

    std::int64_t Count() const;
    // 1-based, in order of creation. Throws AppError 9 outside 1..Count().
    std::shared_ptr<Folder> Item(std::int64_t position) const;
    // The subfolder of that name, ignoring case; nullptr when there is none.
    std::shared_ptr<Folder> Find(const std::string& name) const;
    // A new folder of Outlook's type: mail (6), calendar (9), contacts (10) or tasks (13).
    // Throws the collision error when a sibling has the same name ignoring case, and rejects
    // an empty name, another type or a closed store.
    std::shared_ptr<Folder> Add(const std::string& name, int folderType);

    std::vector<std::shared_ptr<Folder>>::const_iterator begin() const;
    std::vector<std::shared_ptr<Folder>>::const_iterator end() const;

  private:
    std::shared_ptr<Folder> parent_;
};

// A folder's messages.
class ItemCollection {
  public:
    explicit ItemCollection(std::shared_ptr<Folder> folder) : folder_(std::move(folder)) {}

    // A new, unsaved mail item (type 0) in the folder.
    std::shared_ptr<MailItem> Add(int itemType);
    // Messages written into the folder so far.
    std::int64_t Count() const;

  private:
    std::shared_ptr<Folder> folder_;
};

// One folder of a store's tree. Handles stay usable while the store lives; once it is
// closed, changes fail with an invalid-object error.
class Folder : public std::enable_shared_from_this<Folder> {
  public:
    Folder(std::weak_ptr<Store> store, const Folder* parent, pst::FolderId id, std::string name);

    const std::string& Name() const { return name_; }
    FolderCollection Folders() { return FolderCollection(shared_from_this()); }
    ItemCollection Items() { return ItemCollection(shared_from_this()); }
    // "\\Display name\a\b", the form GetFolderFromPath takes.
    std::string FolderPath() const;

    std::shared_ptr<Store> owningStore() const;  // throws when the store is gone
    pst::FolderId id() const { return id_; }

  private:
    friend class FolderCollection;
    friend class ItemCollection;
    friend class MailItem;
    friend class Store;

    std::weak_ptr<Store> store_;
    const Folder* parent_;
    pst::FolderId id_;
    std::string name_;
    std::string foldedName_;
    std::vector<std::shared_ptr<Folder>> children_;
    std::int64_t messagesWritten_ = 0;
};

}  // namespace tolvane::store
