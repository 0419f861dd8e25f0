#pragma once

// The store folders of a mailbox's routes: Outlook's special folder or the top of the tree,
// then each name below it, found or made once (with the class of what the route holds) and
// remembered.

#include <map>
#include <memory>
#include <utility>

#include "mailbox/FolderRoute.h"

namespace tolvane::store {
class Folder;
class Store;
}  // namespace tolvane::store

namespace tolvane::convert {

class MailboxFolders {
  public:
    explicit MailboxFolders(store::Store& store) : store_(store) {}

    // The folder of the route, made with its parents where missing. Throws what the store
    // throws: a name it refuses, or a file it cannot write.
    std::shared_ptr<store::Folder> folderOf(const mailbox::FolderRoute& route);

  private:
    using Key = std::pair<mailbox::OutlookFolder, std::vector<std::string>>;

    std::shared_ptr<store::Folder> baseOf(mailbox::OutlookFolder base);

    store::Store& store_;
    std::map<Key, std::shared_ptr<store::Folder>> known_;
};

}  // namespace tolvane::convert
