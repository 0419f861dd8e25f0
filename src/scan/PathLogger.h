#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/AppError.h"
#include "scan/FileSystem.h"
#include "scan/KeyedList.h"

namespace tolvane {

using StringList = KeyedList<std::string>;
using PositionList = KeyedList<std::int32_t>;

// A folder the walk could not read: its path as the walk built it, and why.
struct SkippedFolder {
    std::string path;
    AppError reason;
};

// An entry of a folder that is neither a folder nor a regular file.
struct OtherEntry {
    std::string path;
    scan::EntryKind kind;
};

// Walks a folder tree breadth first and records every file found (full path; on request
// also the bare name and the position of its folder in pathNames).
//
//   pathLogger scanner;
//   scanner.PathLogInit();
//   scanner.fullFileNamesOnly(true);
//   scanner.LogPath(folder);
//   std::shared_ptr<StringList> files = scanner.fullFileNames();
//   scanner.Terminate();  // files stays whole
//
// Keys: pathNames "K0" for the top folder, then "K2", "K3", ...; the r-th file is "K<r>"
// in fileNames, pathPointers and fullFileNames. Paths use the file system's separator
// ('/' natively on Linux). A folder that cannot be opened or listed (no access, a path too
// long, gone) is recorded in skippedFolders() with its reason and the walk goes on with the
// next one. Entries that are not regular files (broken links, devices, pipes, sockets) are
// recorded in otherEntries(), not as files. A directory reached a second time through
// links is not walked again.
class pathLogger {
  public:
    pathLogger();
    // For a file system other than the native one; called by each PathLogInit.
    explicit pathLogger(scan::FileSystemFactory makeFileSystem);
    ~pathLogger();
    pathLogger(const pathLogger&) = delete;
    pathLogger& operator=(const pathLogger&) = delete;

    // New file-system handle, fullFileNamesOnly = true, the four lists dropped. Count kept.
    void PathLogInit();
    // Scans the tree below topPath; a path that is not an existing folder changes nothing.
    // Throws AppError 91 without a preceding PathLogInit (or after Terminate), 457 on a
    // second scan without PathLogInit, 6 when a counter leaves the signed 32-bit range.
    void LogPath(const std::string& topPath);
    // The record number the next file gets: files recorded + 1 after a scan; 0 when new.
    std::int32_t Count() const noexcept { return Count_; }
    // Drops the handle, the working references, the four lists and the two reports. Count
    // and fullFileNamesOnly keep their values.
    void Terminate();

    // What the last scan could not take, in walk order; PathLogInit and Terminate clear them.
    const std::vector<SkippedFolder>& skippedFolders() const noexcept { return skipped_; }
    const std::vector<OtherEntry>& otherEntries() const noexcept { return others_; }

    void fullFileNamesOnly(bool value) noexcept { fullFileNamesOnly_ = value; }
    bool fullFileNamesOnly() const noexcept { return fullFileNamesOnly_; }

    // Each returns the scanner's own list, created empty when absent.
    std::shared_ptr<StringList> fileNames();
    std::shared_ptr<StringList> pathNames();
    std::shared_ptr<PositionList> pathPointers();
    std::shared_ptr<StringList> fullFileNames();

  private:
    std::string AddTrailingBackslash(const std::string& path) const;
    void recordFiles(scan::Folder& folder, const std::string& folderPath,
                     std::int32_t folderPosition);
    void reserveFor(std::size_t files);
    // The folder's subfolders, with the folder opened for its files; or none after recording
    // it as skipped.
    std::shared_ptr<const scan::SubFolderListing> subFoldersOrSkip(
        const std::string& folderPath, std::shared_ptr<scan::Folder>& folder);

    scan::FileSystemFactory makeFileSystem_;
    std::shared_ptr<scan::FileSystem> fileSystem_;
    std::shared_ptr<const scan::SubFolderListing> subFolderListing_;
    const scan::SubFolderEntry* currentSubFolder_ = nullptr;
    std::int32_t Count_ = 0;
    std::shared_ptr<StringList> fileNames_;
    std::shared_ptr<PositionList> pathPointers_;
    std::shared_ptr<StringList> pathNames_;
    std::shared_ptr<StringList> fullFileNames_;
    bool fullFileNamesOnly_ = false;
    std::vector<SkippedFolder> skipped_;
    std::vector<OtherEntry> others_;
};

}  // namespace tolvane
