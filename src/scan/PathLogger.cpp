#include "scan/PathLogger.h"

#include <charconv>
#include <unordered_set>
#include <utility>

#include "scan/CheckedInt32.h"

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
        scan::DirectoryIdentity identity;
        subFolderListing_ = listOrSkip(folderPath, &scan::Folder::SubFolders, &identity);
        if (subFolderListing_) {
            if (i == 1) {
                visited.insert(identity);
            }
            for (const scan::SubFolderEntry& entry : *subFolderListing_) {
                currentSubFolder_ = &entry;
                if (!visited.insert(entry.identity).second) {
                    continue;
                }
                scan::incrementChecked(j);
                folders.Add(folderPath + entry.Name + separator, key(j));
            }
            const std::string filePath = folders.Item(i);
            fileListing_ = listOrSkip(filePath, &scan::Folder::Files, nullptr);
            if (fileListing_) {
                reserveFor(fileListing_->size());
                for (const scan::FileEntry& entry : *fileListing_) {
                    currentFile_ = &entry;
                    if (entry.Kind == scan::EntryKind::Regular) {
                        recordFile(filePath, i);
                    } else {
                        others_.push_back({filePath + entry.Name, entry.Kind});
                    }
                }
            }
        }
        scan::incrementChecked(i);
    } while (i <= j);
}

template <typename Listing>
std::shared_ptr<const Listing> pathLogger::listOrSkip(
    const std::string& folderPath, std::shared_ptr<const Listing> (scan::Folder::*list)(),
    scan::DirectoryIdentity* identity) {
    try {
        const std::shared_ptr<scan::Folder> folder = fileSystem_->GetFolder(folderPath);
        if (identity != nullptr) {
            *identity = folder->Identity();
        }
        return ((*folder).*list)();
    } catch (const AppError& failure) {
        skipped_.push_back({folderPath, failure});
        return nullptr;
    }
}

void pathLogger::recordFile(const std::string& folderPath, std::int32_t folderPosition) {
    const std::string fileKey = key(Count_);
    if (fullFileNamesOnly_) {
        touched(fullFileNames_)->Add(folderPath + currentFile_->Name, fileKey);
    } else {
        touched(fileNames_)->Add(currentFile_->Name, fileKey);
        touched(fullFileNames_)->Add(folderPath + currentFile_->Name, fileKey);
        touched(pathPointers_)->Add(folderPosition, fileKey);
    }
    scan::incrementChecked(Count_);
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
    fileListing_.reset();
    currentFile_ = nullptr;
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
