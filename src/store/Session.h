#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tolvane::store {

class Profile;
class Store;
class Folder;
class Session;

// The session's view of the profile's stores.
class StoreCollection {
  public:
    explicit StoreCollection(Session& session) : session_(&session) {}

    // Creates a new PST (format 1, the default, or 2, Unicode) and attaches it under the
    // display name. Never overwrites or reopens a file: AppError 58 naming the path.
    std::shared_ptr<Store> AddPSTStore(const std::string& path, int format,
                                       const std::string& displayName);
    // Throws the not-found error for an unknown identifier.
    std::shared_ptr<Store> GetStoreFromID(const std::string& entryId);
    std::int64_t Count() const;

  private:
    Session* session_;
};

// A store session on the process's profile. Logoff closes the stores this session added;
// a session destroyed without Logoff closes them too, so every PST on disk stays valid.
class Session {
  public:
    explicit Session(std::shared_ptr<Profile> profile);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void Logon();
    // Closes this session's stores and ends the session. Throws the first close failure as
    // it was raised (WriteFailure for a file that could not be written), after closing all.
    void Logoff();
    bool LoggedOn() const { return loggedOn_; }

    StoreCollection Stores() { return StoreCollection(*this); }
    // "\\Display name\a\b": the folder below the store's top, the path split as every folder
    // path is (text/FolderPath.h); names and the display name are matched ignoring case.
    // Throws the not-found error naming the path.
    std::shared_ptr<Folder> GetFolderFromPath(const std::string& path);

  private:
    friend class StoreCollection;
    Profile& profile();
    void closeStores(bool rethrow);

    std::shared_ptr<Profile> profile_;
    std::vector<std::shared_ptr<Store>> added_;
    bool loggedOn_ = false;
};

}  // namespace tolvane::store
