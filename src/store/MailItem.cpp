#include "store/MailItem.h"

#include "mapi/Tags.h"
#include "platform/AppError.h"
#include "platform/Utf8Path.h"
#include "store/Folder.h"
#include "store/Store.h"
#include "store/StoreErrc.h"
#include "store/WriteFailure.h"

namespace tolvane::store {
namespace {

inline constexpr int kRfc822Format = 1024;  // olRFC822

}  // namespace

MailItem::MailItem(std::shared_ptr<Folder> folder) : folder_(std::move(folder)) {
    message_.props.set(mapi::tag::kMessageClass, mapi::PropValue::unicode("IPM.Note"));
    message_.props.set(mapi::tag::kMessageFlags, mapi::PropValue::int32(mapi::tag::kMsgFlagUnsent));
    folder_->owningStore()->trackItem(this);
}

MailItem::~MailItem() {
    try {
        Close();
    } catch (...) {
        // A destructor cannot report; callers that need the outcome call Close() themselves.
    }
    if (auto store = folder_->store_.lock()) {
        store->untrackItem(this);
    }
}

void MailItem::requireOpen() const {
    if (closed_) {
        throw AppError(errc::kInvalidObject, "The item has been released");
    }
}

void MailItem::Import(const std::string& path, int format, const mapi::ImportOptions& options) {
    requireOpen();
    if (format != kRfc822Format) {
        throw AppError(errc::kNoSupport,
                       "Import format " + std::to_string(format) + " is not supported");
    }
    mapi::Message imported =
        folder_->owningStore()->services().importMessage(PathFromUtf8(path), options);
    if (!imported.props.has(mapi::tag::kMessageFlags)) {
        imported.props.set(mapi::tag::kMessageFlags, mapi::PropValue::int32(0));
    }
    message_ = std::move(imported);
}

void MailItem::SetMessage(mapi::Message message) {
    requireOpen();
    message_ = std::move(message);
}

void MailItem::SetProp(std::uint32_t tag, mapi::PropValue value) {
    requireOpen();
    message_.props.set(mapi::PropTag::fromValue(tag), std::move(value));
}

void MailItem::Save() {
    requireOpen();
    if (!folder_->owningStore()->isOpen()) {
        throw AppError(errc::kInvalidObject,
                       "The store of " + folder_->FolderPath() + " is closed");
    }
    saved_ = true;
}

void MailItem::Close() {
    if (closed_) {
        return;
    }
    closed_ = true;
    if (saved_) {
        writeOnce();
    }
    message_ = {};
}

void MailItem::writeOnce() {
    const auto store = folder_->owningStore();
    try {
        store->writer().addMessage(folder_->id_, message_);
    } catch (const pst::PstError& e) {
        rethrowWriterError(e);
    }
    ++folder_->messagesWritten_;
}

}  // namespace tolvane::store
