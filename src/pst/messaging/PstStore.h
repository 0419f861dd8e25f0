#pragma once

// The PST writer: a new store laid out as Outlook lays out an empty one (StoreSkeleton),
// special folders with their pointers (SpecialFolders), folders and messages on top, folder
// tables and counts written at each commit.

#include <array>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "pst/PstWriter.h"
#include "pst/messaging/FolderTree.h"
#include "pst/messaging/MessageWriter.h"
#include "pst/messaging/NameToIdMap.h"
#include "pst/messaging/SpecialFolders.h"
#include "pst/ndb/NodeDatabase.h"

namespace tolvane::pst::messaging {

class PstStore final : public PstWriter {
  public:
    PstStore(std::unique_ptr<ndb::NodeDatabase> db, std::filesystem::path path,
             const std::string& displayName, const WriterOptions& options = {});
    ~PstStore() override;
    PstStore(const PstStore&) = delete;
    PstStore& operator=(const PstStore&) = delete;

    FolderId rootFolder() const override;
    FolderId ipmSubtree() const override;
    FolderId deletedItems() const override;
    FolderId specialFolder(SpecialFolder which) override;
    using PstWriter::addFolder;
    FolderId addFolder(FolderId parent, const std::string& name, FolderClass folderClass) override;
    MessageId addMessage(FolderId folder, const mapi::Message& message) override;
    std::vector<std::uint8_t> entryId(std::uint32_t nid) const override;
    const std::array<std::uint8_t, 16>& providerUid() const override { return providerUid_; }
    const std::filesystem::path& path() const override { return path_; }
    void commit() override;
    std::uint64_t committedMessages() const override { return committedMessages_; }
    void close() override;

  private:
    void requireOpen() const;
    ndb::Nid newFolder(ndb::Nid parent, const std::string& name, FolderClass folderClass);
    void reserveForCommit();
    void writeFolders();
    void writeCommit();
    void commitIfDue();
    void stopForSpace();
    void fail();
    std::chrono::steady_clock::time_point now() const;

    std::unique_ptr<ndb::NodeDatabase> db_;
    std::filesystem::path path_;
    std::array<std::uint8_t, 16> providerUid_{};
    SpecialFolders specials_;
    NameToIdMap names_;
    // Each class's contents columns, made with the first folder of the class (their named
    // columns take ids from names_); the folders point into it.
    std::map<FolderClass, std::vector<ltp::TColumn>> contentsColumns_;
    FolderTree folders_;
    MessageWriter messages_;
    WriterOptions options_;
    std::uint64_t addedMessages_ = 0;
    std::uint64_t committedMessages_ = 0;
    std::size_t writtenNames_ = 0;
    std::chrono::steady_clock::time_point lastCommit_;
    std::uint64_t bytesAtCommit_ = 0;
    bool closed_ = false;
    bool failed_ = false;  // a write failed: the file keeps its last commit
};

}  // namespace tolvane::pst::messaging
