#include "store/Store.h"

#include <exception>
#include <vector>

#include "platform/AppError.h"
#include "pst/messaging/SpecialFolders.h"
#include "store/Folder.h"
#include "store/MailItem.h"
#include "store/StoreErrc.h"
#include "store/WorkingFile.h"
#include "store/WriteFailure.h"

namespace tolvane::store {

Store::Store(std::unique_ptr<pst::PstWriter> writer, std::string displayName, std::string entryId,
             const StoreServices& services, std::filesystem::path finalPath)
    : writer_(std::move(writer)),
      displayName_(std::move(displayName)),
      entryId_(std::move(entryId)),
      path_(writer_->path()),
      finalPath_(std::move(finalPath)),
      services_(services) {}

Store::~Store() {
    try {
        close();
    } catch (...) {
        // Nothing can report here; Logoff reports the same failure when it is called.
    }
}

std::shared_ptr<Folder> Store::IPMRootFolder() {
    if (!root_) {
        if (!writer_) {
            throw AppError(errc::kInvalidObject, "The store \"" + displayName_ + "\" is closed");
        }
        root_ = std::make_shared<Folder>(weak_from_this(), nullptr, writer_->ipmSubtree(),
                                         "Top of Personal Folders");
        // A new store already holds this folder below its top, as Outlook makes one.
        root_->children_.push_back(std::make_shared<Folder>(
            weak_from_this(), root_.get(), writer_->deletedItems(), "Deleted Items"));
    }
    return root_;
}

std::shared_ptr<Folder> Store::SpecialFolder(pst::SpecialFolder which) {
    const auto root = IPMRootFolder();
    pst::FolderId id;
    try {
        id = writer().specialFolder(which);
    } catch (const pst::PstError& e) {
        rethrowWriterError(e);
    }
    for (const auto& child : root->children_) {
        if (child->id() == id) {
            return child;
        }
    }
    auto folder = std::make_shared<Folder>(weak_from_this(), root.get(), id,
                                           pst::messaging::kindOf(which).name);
    root->children_.push_back(folder);
    return folder;
}

pst::PstWriter& Store::writer() {
    if (!writer_) {
        throw AppError(errc::kInvalidObject, "The store \"" + displayName_ + "\" is closed");
    }
    return *writer_;
}

std::uint64_t Store::committedMessages() const {
    return writer_ ? writer_->committedMessages() : committedAtClose_;
}

void Store::close() {
    if (!writer_) {
        return;
    }
    std::exception_ptr firstFailure;
    const auto keep = [&firstFailure](std::exception_ptr failure) {
        if (!firstFailure) {
            firstFailure = std::move(failure);
        }
    };
    const std::vector<MailItem*> open = openItems_;
    for (MailItem* item : open) {
        try {
            item->Close();
        } catch (const std::exception&) {
            keep(std::current_exception());
        }
    }
    // Keep the tree for lookups after closing.
    IPMRootFolder();
    auto writer = std::move(writer_);
    try {
        writer->close();
    } catch (const pst::PstError& e) {
        try {
            rethrowWriterError(e);
        } catch (const std::exception&) {
            keep(std::current_exception());
        }
    }
    committedAtClose_ = writer->committedMessages();
    writer.reset();
    // The file holds its last commit whatever failed above: it takes its final name now.
    if (path_ != finalPath_) {
        try {
            services_.finishFile(path_, finalPath_);
            path_ = finalPath_;
        } catch (const std::exception&) {
            keep(std::current_exception());
        }
    }
    if (firstFailure) {
        std::rethrow_exception(firstFailure);
    }
}

}  // namespace tolvane::store
