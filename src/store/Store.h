#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "pst/PstWriter.h"
#include "store/StoreServices.h"

namespace tolvane::store {

class Folder;
class MailItem;

// One PST store attached to the profile, its file being written under its working name.
// Closing writes every item still open, completes the file and gives it its final name,
// however the run went; a closed store keeps its folder tree for lookups.
class Store : public std::enable_shared_from_this<Store> {
  public:
    Store(std::unique_ptr<pst::PstWriter> writer, std::string displayName, std::string entryId,
          const StoreServices& services, std::filesystem::path finalPath);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    const std::string& EntryID() const { return entryId_; }
    const std::string& DisplayName() const { return displayName_; }
    // Where the file is now: its working name while open, its final name once closed
    // (the working name stays when the final one could not be given).
    const std::filesystem::path& FilePath() const { return path_; }
    // Messages the file holds as of its last commit; after close, what it holds for good.
    std::uint64_t committedMessages() const;
    // The top of the visible folder tree ("Top of Personal Folders"), with "Deleted Items".
    std::shared_ptr<Folder> IPMRootFolder();
    // Outlook's special folder below the top, made on the first request under its English
    // name; a folder of that name made before becomes the special one.
    std::shared_ptr<Folder> SpecialFolder(pst::SpecialFolder which);

    bool isOpen() const { return writer_ != nullptr; }
    // Writes open saved items, completes the file and renames it. Idempotent. Throws the
    // first failure (WriteFailure when the file could not be written), after doing the rest.
    void close();

    // For folders and items of this store.
    pst::PstWriter& writer();
    const StoreServices& services() const { return services_; }
    void trackItem(MailItem* item) { openItems_.push_back(item); }
    void untrackItem(MailItem* item) { std::erase(openItems_, item); }

  private:
    std::unique_ptr<pst::PstWriter> writer_;
    std::string displayName_;
    std::string entryId_;
    std::filesystem::path path_;
    std::filesystem::path finalPath_;
    StoreServices services_;
    std::uint64_t committedAtClose_ = 0;
    std::shared_ptr<Folder> root_;
    // In the order they were opened, which close() writes them in, so a stopped run lays out
    // its file the same way each time.
    std::vector<MailItem*> openItems_;
};

}  // namespace tolvane::store
