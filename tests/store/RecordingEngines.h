#pragma once

// Stand-ins for the PST writer and the import that record what the store layer asks of
// them, so tests can see exactly what reaches the file: which folders, which messages with
// which flags, how often, and whether the file was completed.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "mapi/Tags.h"
#include "platform/AppError.h"
#include "store/StoreServices.h"
#include "store/WorkingFile.h"

namespace tolvane::store::testing {

struct WrittenMessage {
    std::uint32_t folder = 0;
    std::string subject;
    std::int32_t flags = 0;
    bool hasAttachTag = false;
    std::size_t attachments = 0;
};

struct WriterLog {
    std::vector<std::pair<std::uint32_t, std::string>> folders;  // parent nid, name
    std::vector<pst::FolderClass> folderClasses;                 // of each folder, in order
    std::vector<WrittenMessage> messages;
    int closes = 0;
    // When set, the n-th message fails as a full disk does; the writer then refuses all work
    // and its close commits nothing more.
    std::size_t diskFullAtMessage = 0;
};

class RecordingWriter final : public pst::PstWriter {
  public:
    RecordingWriter(std::filesystem::path path, std::shared_ptr<WriterLog> log)
        : path_(std::move(path)), log_(std::move(log)) {
        std::ofstream(path_) << "open";
    }
    pst::FolderId rootFolder() const override { return {0x122}; }
    pst::FolderId ipmSubtree() const override { return {0x8022}; }
    pst::FolderId deletedItems() const override { return {0x8062}; }
    using pst::PstWriter::addFolder;
    pst::FolderId addFolder(pst::FolderId parent, const std::string& name,
                            pst::FolderClass folderClass) override {
        log_->folders.emplace_back(parent.nid, name);
        log_->folderClasses.push_back(folderClass);
        return {nextNid_ += 0x20};
    }
    // A special folder is one folder however often it is asked for, as in the real writer.
    pst::FolderId specialFolder(pst::SpecialFolder which) override {
        if (which == pst::SpecialFolder::DeletedItems) {
            return deletedItems();
        }
        const auto [it, added] = special_.try_emplace(which);
        if (added) {
            it->second = addFolder(ipmSubtree(), "special " + std::to_string(int(which)));
        }
        return it->second;
    }
    pst::MessageId addMessage(pst::FolderId folder, const mapi::Message& message) override {
        if (failed_ || (log_->diskFullAtMessage != 0 &&
                        log_->messages.size() + 1 == log_->diskFullAtMessage)) {
            failed_ = true;
            throw pst::PstWriteError(
                pst::PstWriteError::Cause::DiskFull, 28,
                "cannot write " + path_.string() + ": No space left on device");
        }
        WrittenMessage written{folder.nid, {}, 0, false, message.attachments.size()};
        if (const auto* subject = message.props.get(mapi::tag::kSubject)) {
            written.subject = subject->asString();
        }
        if (const auto* flags = message.props.get(mapi::tag::kMessageFlags)) {
            written.flags = flags->asInt32();
        }
        if (const auto* has = message.props.get(mapi::tag::kHasAttachments)) {
            written.hasAttachTag = has->asBool();
        }
        log_->messages.push_back(written);
        return {nextNid_ += 0x20};
    }
    std::vector<std::uint8_t> entryId(std::uint32_t nid) const override {
        return {0, 0, 0, 0, static_cast<std::uint8_t>(nid)};
    }
    const std::array<std::uint8_t, 16>& providerUid() const override { return uid_; }
    const std::filesystem::path& path() const override { return path_; }
    void commit() override { committed_ = log_->messages.size(); }
    std::uint64_t committedMessages() const override { return committed_; }
    void close() override {
        if (closed_) {
            return;
        }
        closed_ = true;
        if (!failed_) {
            commit();
        }
        ++log_->closes;
        std::ofstream(path_) << "closed";
    }

  private:
    std::filesystem::path path_;
    std::shared_ptr<WriterLog> log_;
    std::array<std::uint8_t, 16> uid_{0x11, 0x22};
    std::uint32_t nextNid_ = 0x200000;
    std::map<pst::SpecialFolder, pst::FolderId> special_;
    std::uint64_t committed_ = 0;
    bool closed_ = false;
    bool failed_ = false;
};

// The import reads a text file: the first line is the subject, each further line starting
// with "ATTACH" adds an attachment. A missing file fails as the real import does.
inline mapi::Message importTextMessage(const std::filesystem::path& path,
                                       const mapi::ImportOptions& = {}) {
    std::ifstream in(path);
    if (!in) {
        throw AppError(53, "Cannot read " + path.string() + ": No such file or directory");
    }
    mapi::Message message;
    std::string line;
    std::getline(in, line);
    message.props.set(mapi::tag::kSubject, mapi::PropValue::unicode(line));
    while (std::getline(in, line)) {
        if (line.rfind("ATTACH", 0) == 0) {
            message.attachments.emplace_back();
        }
    }
    return message;
}

inline StoreServices recordingServices(const std::shared_ptr<WriterLog>& log) {
    return {[log](const std::filesystem::path& path, const std::string&) {
                return std::make_unique<RecordingWriter>(path, log);
            },
            importTextMessage, moveToFinalName};
}

}  // namespace tolvane::store::testing
