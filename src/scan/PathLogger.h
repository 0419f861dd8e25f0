#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "scan/FileSystem.h"
#include "scan/KeyedList.h"

namespace tolvane {

using StringList = KeyedList<std::string>;
using PositionList = KeyedList<std::int32_t>;

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
// ('/' natively on Linux). File-system failures leave LogPath as AppError with the records
// made so far kept. A directory reached a second time through links is not walked again.
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
    // Drops the handle, the working references and the four lists. Count and
    // fullFileNamesOnly keep their values.
    void Terminate();

    void fullFileNamesOnly(bool value) noexcept { fullFileNamesOnly_ = value; }
    bool fullFileNamesOnly() const noexcept { return fullFileNamesOnly_; }

    // Each returns the scanner's own list, created empty when absent.
    std::shared_ptr<StringList> fileNames();
    std::shared_ptr<StringList> pathNames();
    std::shared_ptr<PositionList> pathPointers();
    std::shared_ptr<StringList> fullFileNames();

  private:
    std::string AddTrailingBackslash(const std::string& path) const;
    void recordFile(const std::string& folderPath, std::int32_t folderPosition);

    scan::FileSystemFactory makeFileSystem_;
    std::shared_ptr<scan::FileSystem> fileSystem_;
    std::shared_ptr<const scan::FileListing> fileListing_;
    const scan::FileEntry* currentFile_ = nullptr;
    std::shared_ptr<const scan::SubFolderListing> subFolderListing_;
    const scan::SubFolderEntry* currentSubFolder_ = nullptr;
    std::int32_t Count_ = 0;
    std::shared_ptr<StringList> fileNames_;
    std::shared_ptr<PositionList> pathPointers_;
    std::shared_ptr<StringList> pathNames_;
    std::shared_ptr<StringList> fullFileNames_;
    bool fullFileNamesOnly_ = false;
};

}  // namespace tolvane
