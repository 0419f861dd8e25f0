#pragma once

#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "pst/PstWriter.h"
#include "store/StoreServices.h"

namespace tolvane::store {

class Folder;
class MailItem;

// One PST store attached to the profile, its file being written. Closing writes every item
// still open and completes the file; a closed store keeps its folder tree for lookups.
class Store : public std::enable_shared_from_this<Store> {
  public:
    Store(std::unique_ptr<pst::PstWriter> writer, std::string displayName, std::string entryId,
          const StoreServices& services);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    const std::string& EntryID() const { return entryId_; }
    const std::string& DisplayName() const { return displayName_; }
    const std::filesystem::path& FilePath() const { return path_; }
    // The top of the visible folder tree ("Top of Personal Folders"), with "Deleted Items".
    std::shared_ptr<Folder> IPMRootFolder();

    bool isOpen() const { return writer_ != nullptr; }
    // Writes open saved items and completes the file. Idempotent; throws on a write failure
    // (the store is closed all the same).
    void close();

    // For folders and items of this store.
    pst::PstWriter& writer();
    const StoreServices& services() const { return services_; }
    void trackItem(MailItem* item) { openItems_.insert(item); }
    void untrackItem(MailItem* item) { openItems_.erase(item); }

  private:
    std::unique_ptr<pst::PstWriter> writer_;
    std::string displayName_;
    std::string entryId_;
    std::filesystem::path path_;
    StoreServices services_;
    std::shared_ptr<Folder> root_;
    std::set<MailItem*> openItems_;
};

}  // namespace tolvane::store
