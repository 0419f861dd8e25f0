#include "store/Session.h"

#include <exception>

#include "platform/AppError.h"
#include "platform/Utf8Path.h"
#include "store/Folder.h"
#include "store/Profile.h"
#include "store/Store.h"
#include "store/StoreErrc.h"
#include "text/FolderPath.h"

namespace tolvane::store {
namespace {

inline constexpr int kDefaultStoreFormat = 1;  // olStoreDefault
inline constexpr int kUnicodeStoreFormat = 2;  // olStoreUnicode
inline constexpr int kAnsiStoreFormat = 3;     // olStoreANSI

[[noreturn]] void notFound(const std::string& path) {
    throw AppError(errc::kNotFound, "The folder " + path + " was not found");
}

}  // namespace

Session::Session(std::shared_ptr<Profile> profile) : profile_(std::move(profile)) {}

Session::~Session() {
    closeStores(false);
}

void Session::Logon() {
    loggedOn_ = true;
}

void Session::Logoff() {
    loggedOn_ = false;
    closeStores(true);
}

Profile& Session::profile() {
    if (!loggedOn_) {
        throw AppError(errc::kNotLoggedOn, "The session is not logged on");
    }
    return *profile_;
}

void Session::closeStores(bool rethrow) {
    std::exception_ptr firstFailure;
    for (const auto& store : added_) {
        try {
            store->close();
        } catch (const std::exception&) {
            if (!firstFailure) {
                firstFailure = std::current_exception();
            }
        }
    }
    added_.clear();
    if (rethrow && firstFailure) {
        std::rethrow_exception(firstFailure);
    }
}

std::shared_ptr<Store> StoreCollection::AddPSTStore(const std::string& path, int format,
                                                    const std::string& displayName) {
    Profile& profile = session_->profile();
    if (format == kAnsiStoreFormat) {
        throw AppError(errc::kNoSupport, "ANSI personal-folders files are not supported");
    }
    if (format != kDefaultStoreFormat && format != kUnicodeStoreFormat) {
        throw AppError(errc::kInvalidParameter,
                       "Store format " + std::to_string(format) + " is unknown");
    }
    auto store = profile.attach(PathFromUtf8(path), displayName);
    session_->added_.push_back(store);
    return store;
}

std::shared_ptr<Store> StoreCollection::GetStoreFromID(const std::string& entryId) {
    auto store = session_->profile().findByEntryId(entryId);
    if (!store) {
        throw AppError(errc::kNotFound, "No store has the entry identifier " + entryId);
    }
    return store;
}

std::int64_t StoreCollection::Count() const {
    return static_cast<std::int64_t>(session_->profile().stores().size());
}

std::shared_ptr<Folder> Session::GetFolderFromPath(const std::string& path) {
    Profile& attached = profile();
    if (path.rfind("\\\\", 0) != 0) {
        notFound(path);
    }
    // The store's display name, then the folder path below its top.
    const auto names = text::folderNames(std::string_view(path).substr(2));
    const auto store = names.empty() ? nullptr : attached.findByDisplayName(std::string(names[0]));
    if (!store) {
        notFound(path);
    }
    auto folder = store->IPMRootFolder();
    for (std::size_t k = 1; k < names.size(); ++k) {
        folder = folder->Folders().Find(std::string(names[k]));
        if (!folder) {
            notFound(path);
        }
    }
    return folder;
}

}  // namespace tolvane::store
