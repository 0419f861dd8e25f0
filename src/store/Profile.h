#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "store/StoreServices.h"

namespace tolvane::store {

class Store;

// The mail profile: the stores attached in this process, in order of attachment. Sessions
// and the Outlook stand-in walk the same profile. One thread uses it.
class Profile {
  public:
    explicit Profile(StoreServices services);
    Profile(const Profile&) = delete;
    Profile& operator=(const Profile&) = delete;

    // The process-wide profile, over the real writer and import.
    static std::shared_ptr<Profile> process();

    // Creates the file under its working name (WorkingFile.h) and attaches it; it takes
    // `path` when the store closes. Throws AppError 58 naming the path when anything is
    // there already under either name, 75 with the writer's reason when it cannot be created.
    std::shared_ptr<Store> attach(const std::filesystem::path& path,
                                  const std::string& displayName);

    std::shared_ptr<Store> findByEntryId(const std::string& entryId) const;
    // The newest store of that display name, ignoring case, so a run that shares a display
    // name with an earlier store of this process finds its own; nullptr when none.
    std::shared_ptr<Store> findByDisplayName(const std::string& displayName) const;
    const std::vector<std::shared_ptr<Store>>& stores() const { return stores_; }

  private:
    StoreServices services_;
    std::vector<std::shared_ptr<Store>> stores_;
};

}  // namespace tolvane::store
