#include "store/Store.h"

#include <vector>

#include "platform/AppError.h"
#include "store/Folder.h"
#include "store/MailItem.h"
#include "store/StoreErrc.h"

namespace tolvane::store {

Store::Store(std::unique_ptr<pst::PstWriter> writer, std::string displayName, std::string entryId,
             const StoreServices& services)
    : writer_(std::move(writer)),
      displayName_(std::move(displayName)),
      entryId_(std::move(entryId)),
      path_(writer_->path()),
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

pst::PstWriter& Store::writer() {
    if (!writer_) {
        throw AppError(errc::kInvalidObject, "The store \"" + displayName_ + "\" is closed");
    }
    return *writer_;
}

void Store::close() {
    if (!writer_) {
        return;
    }
    std::string firstFailure;
    const std::vector<MailItem*> open(openItems_.begin(), openItems_.end());
    for (MailItem* item : open) {
        try {
            item->Close();
        } catch (const std::exception& e) {
            if (firstFailure.empty()) {
                firstFailure = e.what();
            }
        }
    }
    // Keep the tree for lookups after closing.
    IPMRootFolder();
    auto writer = std::move(writer_);
    try {
        writer->close();
    } catch (const std::exception& e) {
        if (firstFailure.empty()) {
            firstFailure = e.what();
        }
    }
    if (!firstFailure.empty()) {
        throw AppError(errc::kFileAccess, "The store file " + path_.string() +
                                              " could not be completed: " + firstFailure);
    }
}

}  // namespace tolvane::store
