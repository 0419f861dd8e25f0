#include <cerrno>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "scan/FileSystem.h"
#include "scan/FolderAccessError.h"
#include "scan/NameOrder.h"

namespace tolvane::scan {

namespace {

DirectoryIdentity identityOf(const struct stat& status) {
    return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

// Closes the directory stream (and its descriptor) on every way out of a listing.
struct DirCloser {
    void operator()(DIR* dir) const noexcept { closedir(dir); }
};

// Entries a stat cannot follow without that being an error: a name that went away between
// readdir and stat, or a link that leads nowhere (dangling, looping); VisitFiles gives the
// latter as broken links.
bool entryIsGone(int systemError) {
    return systemError == ENOENT || systemError == ENOTDIR || systemError == ELOOP;
}

class PosixFolder final : public Folder {
  public:
    PosixFolder(std::string path, int fd, DirectoryIdentity identity)
        : path_(std::move(path)), fd_(fd), identity_(identity) {}
    ~PosixFolder() override { close(fd_); }
    PosixFolder(const PosixFolder&) = delete;
    PosixFolder& operator=(const PosixFolder&) = delete;

    DirectoryIdentity Identity() const override { return identity_; }

    std::shared_ptr<const SubFolderListing> SubFolders() override {
        auto listing = std::make_shared<SubFolderListing>();
        std::size_t others = 0;
        forEachEntry([&](int dirFd, const dirent& entry) {
            others += isFolderType(entry.d_type) ? 0 : 1;
            const bool needsStat =
                entry.d_type == DT_DIR || entry.d_type == DT_LNK || entry.d_type == DT_UNKNOWN;
            if (!needsStat) {
                return;
            }
            struct stat status {};
            if (!statEntry(dirFd, entry.d_name, status) || !S_ISDIR(status.st_mode)) {
                return;
            }
            listing->push_back({entry.d_name, identityOf(status)});
        });
        filesSeen_ = others;
        sortLikeWindowsFolder(*listing);
        return listing;
    }

    void VisitFiles(const FileVisitor& visit) override {
        forEachEntry([&](int dirFd, const dirent& entry) {
            if (isFolderType(entry.d_type)) {
                return;
            }
            if (const auto kind = kindOfType(entry.d_type)) {
                visit(entry.d_name, *kind);
                return;
            }
            struct stat status {};
            if (statEntry(dirFd, entry.d_name, status)) {
                if (const auto kind = kindOfMode(status.st_mode)) {
                    visit(entry.d_name, *kind);
                }
            } else if (isLink(dirFd, entry.d_name)) {
                visit(entry.d_name, EntryKind::BrokenLink);
            }
        });
    }

    std::size_t FileCountHint() override {
        if (!filesSeen_) {
            std::size_t count = 0;
            forEachEntry(
                [&](int, const dirent& entry) { count += isFolderType(entry.d_type) ? 0 : 1; });
            filesSeen_ = count;
        }
        return *filesSeen_;
    }

  private:
    static bool isFolderType(unsigned char type) { return type == DT_DIR; }

    template <typename Visit>
    void forEachEntry(Visit visit) {
        // A descriptor of its own, so each listing starts at the first entry.
        const int listFd = openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (listFd < 0) {
            throw folderAccessError(errno, "list", path_);
        }
        const std::unique_ptr<DIR, DirCloser> dir(fdopendir(listFd));
        if (!dir) {
            const int error = errno;
            close(listFd);
            throw folderAccessError(error, "list", path_);
        }
        for (;;) {
            errno = 0;
            const dirent* entry = readdir(dir.get());
            if (entry == nullptr) {
                if (errno != 0) {
                    throw folderAccessError(errno, "list", path_);
                }
                return;
            }
            const std::string_view name = entry->d_name;
            if (name == "." || name == "..") {
                continue;
            }
            visit(dirfd(dir.get()), *entry);
        }
    }

    // Follows links. False for an entry that is gone; throws for any other failure.
    bool statEntry(int dirFd, const char* name, struct stat& status) const {
        if (fstatat(dirFd, name, &status, 0) == 0) {
            return true;
        }
        if (entryIsGone(errno)) {
            return false;
        }
        throw folderAccessError(errno, "list", path_ + name);
    }

    // The kind a directory entry's type tells without a stat; none for links and unknowns.
    static std::optional<EntryKind> kindOfType(unsigned char type) {
        switch (type) {
            case DT_REG:
                return EntryKind::Regular;
            case DT_CHR:
            case DT_BLK:
                return EntryKind::Device;
            case DT_FIFO:
                return EntryKind::Fifo;
            case DT_SOCK:
                return EntryKind::Socket;
            default:
                return std::nullopt;
        }
    }

    // None for a folder.
    static std::optional<EntryKind> kindOfMode(mode_t mode) {
        if (S_ISREG(mode)) {
            return EntryKind::Regular;
        }
        if (S_ISCHR(mode) || S_ISBLK(mode)) {
            return EntryKind::Device;
        }
        if (S_ISFIFO(mode)) {
            return EntryKind::Fifo;
        }
        if (S_ISSOCK(mode)) {
            return EntryKind::Socket;
        }
        return std::nullopt;
    }

    // An entry whose target is gone is still there as a link; a removed entry is not.
    static bool isLink(int dirFd, const char* name) {
        struct stat status {};
        return fstatat(dirFd, name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(status.st_mode);
    }

    std::string path_;
    int fd_;
    DirectoryIdentity identity_;
    std::optional<std::size_t> filesSeen_;  // entries not folders, once a listing counted them
};

class PosixFileSystem final : public FileSystem {
  public:
    shell::PathSyntax Syntax() const override { return shell::PathSyntax::Posix; }

    bool FolderExists(const std::string& path) override {
        struct stat status {};
        return !path.empty() && stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
    }

    std::shared_ptr<Folder> GetFolder(const std::string& path) override {
        const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            throw folderAccessError(errno, "open", path);
        }
        struct stat status {};
        if (fstat(fd, &status) != 0) {
            const int error = errno;
            close(fd);
            throw folderAccessError(error, "open", path);
        }
        return std::make_shared<PosixFolder>(path, fd, identityOf(status));
    }
};

}  // namespace

std::shared_ptr<FileSystem> makeNativeFileSystem() {
    return std::make_shared<PosixFileSystem>();
}

}  // namespace tolvane::scan
