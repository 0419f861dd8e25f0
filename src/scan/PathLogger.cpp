#include "scan/PathLogger.h"

#include <algorithm>
#include <charconv>
#include <exception>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "scan/CheckedInt32.h"
#include "scan/NameOrder.h"

namespace tolvane {

namespace {

std::string key(std::int32_t number) {
    std::string text(12, 'K');  // "K" and up to 11 characters of a signed 32-bit number
    const char* end = std::to_chars(text.data() + 1, text.data() + text.size(), number).ptr;
    text.resize(static_cast<std::size_t>(end - text.data()));
    return text;
}

template <typename List>
std::shared_ptr<List>& touched(std::shared_ptr<List>& list) {
    if (!list) {
        list = std::make_shared<List>();
    }
    return list;
}

}  // namespace

pathLogger::pathLogger() : pathLogger(&scan::makeNativeFileSystem) {}

pathLogger::pathLogger(scan::FileSystemFactory makeFileSystem)
    : makeFileSystem_(std::move(makeFileSystem)) {}

pathLogger::~pathLogger() {
    Terminate();
}

void pathLogger::PathLogInit() {
    fileSystem_ = makeFileSystem_();
    fullFileNamesOnly_ = true;
    fileNames_.reset();
    pathPointers_.reset();
    pathNames_.reset();
    fullFileNames_.reset();
    skipped_.clear();
    others_.clear();
}

void pathLogger::LogPath(const std::string& topPath) {
    if (!fileSystem_) {
        throw AppError(scan_errc::kObjectNotSet,
                       "Object variable or With block variable not set: the folder scanner "
                       "needs PathLogInit before LogPath");
    }
    if (!fileSystem_->FolderExists(topPath)) {
        return;
    }
    std::int32_t j = 1;
    std::int32_t i = 1;
    Count_ = 1;
    StringList& folders = *touched(pathNames_);
    folders.Add(AddTrailingBackslash(topPath), "K0");

    const char separator = shell::separatorOf(fileSystem_->Syntax());
    // Links can lead back into the tree; each directory is walked once.
    std::unordered_set<scan::DirectoryIdentity, scan::DirectoryIdentityHash> visited;
    do {
        // A copy: appending subfolders below may move the list's items.
        const std::string folderPath = folders.Item(i);
        std::shared_ptr<scan::Folder> folder;
        subFolderListing_ = subFoldersOrSkip(folderPath, folder);
        if (subFolderListing_) {
            if (i == 1) {
                visited.insert(folder->Identity());
            }
            for (const scan::SubFolderEntry& entry : *subFolderListing_) {
                currentSubFolder_ = &entry;
                if (!visited.insert(entry.identity).second) {
                    continue;
                }
                scan::incrementChecked(j);
                folders.Add(folderPath + entry.Name + separator, key(j));
            }
            recordFiles(*folder, folders.Item(i), i);
        }
        scan::incrementChecked(i);
    } while (i <= j);
}

std::shared_ptr<const scan::SubFolderListing> pathLogger::subFoldersOrSkip(
    const std::string& folderPath, std::shared_ptr<scan::Folder>& folder) {
    try {
        folder = fileSystem_->GetFolder(folderPath);
        return folder->SubFolders();
    } catch (const AppError& failure) {
        skipped_.push_back({folderPath, failure});
        return nullptr;
    }
}

namespace {

// What the scan's own recording threw, apart from the folder access failures that make a
// folder skipped.
struct RecordingFailed {
    std::exception_ptr error;
};

// Paths of one folder ordered by the names after the folder's path.
auto byNameAfter(std::size_t folderLength) {
    return [folderLength](std::string_view a, std::string_view b) {
        return scan::sortsBeforeLikeWindows(a.substr(folderLength), b.substr(folderLength));
    };
}

}  // namespace

// The files are recorded straight into the lists as the system lists them, then put in
// order where they are: a folder of a million files is never held in a listing beside them.
// The folder is the one its subfolders were listed from, which counted its files on the way.
void pathLogger::recordFiles(scan::Folder& folder, const std::string& folderPath,
                             std::int32_t folderPosition) {
    StringList& paths = *touched(fullFileNames_);
    const std::int32_t first = Count_;
    const std::size_t othersBefore = others_.size();
    try {
        reserveFor(folder.FileCountHint());
        folder.VisitFiles([&](std::string_view name, scan::EntryKind kind) {
            try {
                // Made at its length: the queue keeps it, a million times over.
                std::string path;
                path.reserve(folderPath.size() + name.size());
                path.append(folderPath).append(name);
                if (kind == scan::EntryKind::Regular) {
                    paths.Add(std::move(path), key(Count_));
                    scan::incrementChecked(Count_);
                } else {
                    others_.push_back({std::move(path), kind});
                }
            } catch (...) {
                throw RecordingFailed{std::current_exception()};
            }
        });
    } catch (const RecordingFailed& failed) {
        std::rethrow_exception(failed.error);
    } catch (const AppError& failure) {
        paths.RemoveFrom(first);
        Count_ = first;
        others_.resize(othersBefore);
        skipped_.push_back({folderPath, failure});
        return;
    }
    const auto order = byNameAfter(folderPath.size());
    paths.SortFrom(first, order);
    std::sort(others_.begin() + static_cast<std::ptrdiff_t>(othersBefore), others_.end(),
              [&order](const OtherEntry& a, const OtherEntry& b) { return order(a.path, b.path); });
    if (!fullFileNamesOnly_) {
        for (std::int32_t r = first; r < Count_; ++r) {
            touched(fileNames_)->Add(paths.Item(r).substr(folderPath.size()), key(r));
            touched(pathPointers_)->Add(folderPosition, key(r));
        }
    }
}

// A folder of a million files fills its lists at their size, not by doubling.
void pathLogger::reserveFor(std::size_t files) {
    const auto room = static_cast<std::size_t>(Count_ - 1) + files;
    touched(fullFileNames_)->Reserve(room);
    if (!fullFileNamesOnly_) {
        touched(fileNames_)->Reserve(room);
        touched(pathPointers_)->Reserve(room);
    }
}

void pathLogger::Terminate() {
    fileSystem_.reset();
    subFolderListing_.reset();
    currentSubFolder_ = nullptr;
    fileNames_.reset();
    pathPointers_.reset();
    pathNames_.reset();
    fullFileNames_.reset();
    skipped_.clear();
    others_.clear();
}

std::shared_ptr<StringList> pathLogger::fileNames() {
    return touched(fileNames_);
}
std::shared_ptr<StringList> pathLogger::pathNames() {
    return touched(pathNames_);
}
std::shared_ptr<PositionList> pathLogger::pathPointers() {
    return touched(pathPointers_);
}
std::shared_ptr<StringList> pathLogger::fullFileNames() {
    return touched(fullFileNames_);
}

std::string pathLogger::AddTrailingBackslash(const std::string& path) const {
    return shell::withTrailingSeparator(path, fileSystem_->Syntax());
}

}  // namespace tolvane
