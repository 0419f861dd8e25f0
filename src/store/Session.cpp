#include "store/Session.h"

#include <exception>

#include "platform/AppError.h"
#include "platform/Utf8Path.h"
#include "store/Folder.h"
#include "store/Profile.h"
#include "store/Store.h"
#include "store/StoreErrc.h"

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
    const auto nameEnd = path.find('\\', 2);
    const std::string displayName =
        path.substr(2, nameEnd == std::string::npos ? std::string::npos : nameEnd - 2);
    const auto store = attached.findByDisplayName(displayName);
    if (!store) {
        notFound(path);
    }
    auto folder = store->IPMRootFolder();
    if (nameEnd == std::string::npos) {
        return folder;
    }
    std::size_t at = nameEnd + 1;
    for (;;) {
        const auto next = path.find('\\', at);
        const std::string name =
            path.substr(at, next == std::string::npos ? std::string::npos : next - at);
        folder = name.empty() ? nullptr : folder->Folders().Find(name);
        if (!folder) {
            notFound(path);
        }
        if (next == std::string::npos) {
            return folder;
        }
        at = next + 1;
    }
}

}  // namespace tolvane::store
