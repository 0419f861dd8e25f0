#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "shell/PathSyntax.h"

namespace tolvane::scan {

// Which directory an entry leads to, so a walk can tell a folder reached twice through links.
struct DirectoryIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    friend bool operator==(const DirectoryIdentity&, const DirectoryIdentity&) = default;
};

struct DirectoryIdentityHash {
    std::size_t operator()(const DirectoryIdentity& id) const noexcept {
        return std::hash<std::uint64_t>{}(id.inode * 0x9E3779B97F4A7C15ULL ^ id.device);
    }
};

// What a non-folder entry is. Only regular files (or links to them) can be message files;
// the rest are listed so that a caller can say what it did not take.
enum class EntryKind { Regular, BrokenLink, Device, Fifo, Socket };

struct FileEntry {
    std::string Name;  // file name with extension
    EntryKind Kind = EntryKind::Regular;
};

// "a link to nothing", "a device", "a named pipe", "a socket"; "a file" for a regular one.
const char* describeKind(EntryKind kind);

struct SubFolderEntry {
    std::string Name;  // last path component
    DirectoryIdentity identity;
};

using FileListing = std::vector<FileEntry>;
using SubFolderListing = std::vector<SubFolderEntry>;

// Called with each file entry's name and kind; the name is valid during the call only.
using FileVisitor = std::function<void(std::string_view name, EntryKind kind)>;

// An opened folder. Listings include hidden entries, never "." or "..", and come in the
// order Windows gives a folder: names compared upper-cased, ordinal (see NameOrder.h).
// Files() lists every entry that is not a folder, each with its kind; links count as what
// they lead to. Listing failures throw AppError naming the folder and the system's reason.
class Folder {
  public:
    virtual ~Folder() = default;
    virtual DirectoryIdentity Identity() const = 0;
    virtual std::shared_ptr<const SubFolderListing> SubFolders() = 0;
    // The entries Files() lists, in the order the system gives them and without holding
    // them: a scan of a million files sorts them where it keeps them, not in a listing too.
    virtual void VisitFiles(const FileVisitor& visit) = 0;
    // About how many entries VisitFiles will give, from a listing that looks at no entry
    // closely (links, for one, are counted): room to reserve. 0 when not known. After
    // SubFolders it is what that listing saw, so a large folder is not listed once more for it.
    virtual std::size_t FileCountHint() { return 0; }
    std::shared_ptr<const FileListing> Files();
};

// The folder access the scanner needs, after the Scripting Runtime's FileSystemObject.
class FileSystem {
  public:
    virtual ~FileSystem() = default;
    virtual shell::PathSyntax Syntax() const = 0;
    // False for an empty path, a file, or nothing at all.
    virtual bool FolderExists(const std::string& path) = 0;
    // Throws AppError (70 no access, 76 not found, 75 other) naming the folder.
    virtual std::shared_ptr<Folder> GetFolder(const std::string& path) = 0;
};

using FileSystemFactory = std::function<std::shared_ptr<FileSystem>()>;

// The operating system's file system, for this platform's paths.
std::shared_ptr<FileSystem> makeNativeFileSystem();

}  // namespace tolvane::scan
