#include "store/Profile.h"

#include <cstdio>
#include <system_error>

#include "platform/AppError.h"
#include "store/NameFold.h"
#include "store/Store.h"
#include "store/StoreErrc.h"
#include "store/WorkingFile.h"

namespace tolvane::store {
namespace {

std::string hex(const std::uint8_t* bytes, std::size_t count) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t k = 0; k < count; ++k) {
        text += digits[bytes[k] >> 4];
        text += digits[bytes[k] & 0x0F];
    }
    return text;
}

}  // namespace

Profile::Profile(StoreServices services) : services_(std::move(services)) {}

std::shared_ptr<Store> Profile::attach(const std::filesystem::path& path,
                                       const std::string& displayName) {
    const std::filesystem::path workingPath = workingPathFor(path);
    for (const auto& name : {path, workingPath}) {
        if (nameTaken(name)) {
            throw AppError(errc::kFileExists, "The file already exists: " + name.string());
        }
    }
    std::unique_ptr<pst::PstWriter> writer;
    try {
        writer = services_.createWriter(workingPath, displayName);
    } catch (const pst::PstError& e) {
        throw AppError(errc::kFileAccess, e.what());
    }
    // Flags, the file's provider UID, and the attachment's sequence number in this profile.
    const auto& uid = writer->providerUid();
    char sequence[16];
    std::snprintf(sequence, sizeof sequence, "%08zX", stores_.size() + 1);
    const std::string entryId = "00000000" + hex(uid.data(), uid.size()) + sequence;
    auto store = std::make_shared<Store>(std::move(writer), displayName, entryId, services_, path);
    stores_.push_back(store);
    return store;
}

std::shared_ptr<Store> Profile::findByEntryId(const std::string& entryId) const {
    for (const auto& store : stores_) {
        if (store->EntryID() == entryId) {
            return store;
        }
    }
    return nullptr;
}

std::shared_ptr<Store> Profile::findByDisplayName(const std::string& displayName) const {
    const std::string folded = foldName(displayName);
    for (auto it = stores_.rbegin(); it != stores_.rend(); ++it) {
        if (foldName((*it)->DisplayName()) == folded) {
            return *it;
        }
    }
    return nullptr;
}

}  // namespace tolvane::store
