#pragma once

// The Outlook application stand-in: the MAPI namespace lists every store of the profile as
// a top-level folder under its display name, folders list their subfolders by name, and
// the active explorer shows a current folder that tests (or a front end) can set. Names
// are matched ignoring case, as Outlook's folder collections do.

#include <memory>
#include <string>

namespace tolvane::store {
class Folder;
class Profile;
}  // namespace tolvane::store

namespace tolvane::outlook {

// What the running Outlook knows: the profile it shows and its explorer's current folder.
struct OutlookState {
    std::shared_ptr<store::Profile> profile;
    std::shared_ptr<store::Folder> currentFolder;  // none: no Outlook window is active
};

class Folder;

// A folder's subfolders, or the namespace's top-level folders (one per store).
class FolderCollection {
  public:
    // Throws the not-found error naming the folder it looked in.
    Folder Item(const std::string& name) const;
    Folder operator()(const std::string& name) const;
    // A new mail folder (type 6) below this folder; fails on the top-level collection and
    // where the store refuses (a sibling with the same name ignoring case).
    Folder Add(const std::string& name, int folderType);

  private:
    friend class Folder;
    friend class Namespace;
    FolderCollection(std::shared_ptr<store::Folder> parent, std::string parentPath,
                     std::shared_ptr<store::Profile> profile)
        : parent_(std::move(parent)),
          parentPath_(std::move(parentPath)),
          profile_(std::move(profile)) {}

    std::shared_ptr<store::Folder> parent_;  // none for the top level
    std::string parentPath_;
    std::shared_ptr<store::Profile> profile_;
};

class Folder {
  public:
    Folder(std::shared_ptr<store::Folder> folder, std::string name, std::string path,
           std::shared_ptr<store::Profile> profile);

    const std::string& Name() const { return name_; }
    // "\Display name\a\b", as Outlook shows a folder's path.
    const std::string& FolderPath() const { return path_; }
    FolderCollection Folders() const { return {folder_, path_, profile_}; }
    const std::shared_ptr<store::Folder>& mapiFolder() const { return folder_; }

  private:
    std::shared_ptr<store::Folder> folder_;
    std::string name_;
    std::string path_;
    std::shared_ptr<store::Profile> profile_;
};

class Namespace {
  public:
    explicit Namespace(std::shared_ptr<store::Profile> profile) : profile_(std::move(profile)) {}
    FolderCollection Folders() const { return {nullptr, "", profile_}; }

  private:
    std::shared_ptr<store::Profile> profile_;
};

class Explorer {
  public:
    explicit Explorer(Folder current) : current_(std::move(current)) {}
    const Folder& CurrentFolder() const { return current_; }

  private:
    Folder current_;
};

class Application {
  public:
    // The Outlook of this process, over the process's profile.
    Application();
    explicit Application(std::shared_ptr<OutlookState> state) : state_(std::move(state)) {}

    // The one namespace type is "MAPI".
    Namespace GetNamespace(const std::string& type) const;
    // Throws when no Outlook window is active (no current folder set).
    Explorer ActiveExplorer() const;

    // The state the process's Outlook shares between its application objects.
    static const std::shared_ptr<OutlookState>& processState();

  private:
    std::shared_ptr<OutlookState> state_;
};

}  // namespace tolvane::outlook
