#pragma once

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/Utf8Path.h"

namespace tolvane {

// What a file looked like at one moment: enough to tell that it changed since.
struct FileStamp {
    std::uintmax_t size = 0;
    std::int64_t modified = 0;  // the file system's time stamp, in its own ticks
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

#ifndef _WIN32
// The stamp of what a stat (or fstat) of a regular file saw.
inline FileStamp stampOfStatus(const struct stat& status) {
    return FileStamp{
        static_cast<std::uintmax_t>(status.st_size),
        static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec};
}
#endif

#ifndef _WIN32
// The stamp of the regular file `name` names from `folder` (a folder's descriptor, or AT_FDCWD),
// links followed; none when there is no such file.
inline std::optional<FileStamp> stampAt(int folder, const char* name) {
    struct stat status {};
    if (::fstatat(folder, name, &status, 0) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    return stampOfStatus(status);
}
#endif

// The stamp of a regular file (links followed); none when there is no such file. On POSIX one
// stat, where std::filesystem takes three: a queue stamps every file it holds.
inline std::optional<FileStamp> stampOf(const std::string& path) {
#ifndef _WIN32
    return stampAt(AT_FDCWD, PathFromUtf8(path).c_str());
#else
    std::error_code error;
    const std::filesystem::path file = PathFromUtf8(path);
    if (!std::filesystem::is_regular_file(file, error)) {
        return std::nullopt;
    }
    const auto size = std::filesystem::file_size(file, error);
    if (error) {
        return std::nullopt;
    }
    const auto modified = std::filesystem::last_write_time(file, error);
    if (error) {
        return std::nullopt;
    }
    return FileStamp{size, static_cast<std::int64_t>(modified.time_since_epoch().count())};
#endif
}

// Stamps of many files, the files of one folder one after another, as a scan gives them: on
// POSIX the folder is opened once and each file looked up from there, not from the root (in
// a folder of a million files the walk down to it is a quarter of a stat). Elsewhere, and
// for a path with no folder, it is stampOf. The last folder stays open while this lives, so
// it is kept for one pass over a queue, not for a window's life.
class FolderStamps {
  public:
    FolderStamps() = default;
    FolderStamps(const FolderStamps&) = delete;
    FolderStamps& operator=(const FolderStamps&) = delete;
#ifndef _WIN32
    ~FolderStamps() {
        closeFolder();
    }

    std::optional<FileStamp> stampOf(const std::string& path) {
        const std::size_t slash = path.rfind('/');
        if (slash == std::string::npos || slash + 1 == path.size()) {
            return tolvane::stampOf(path);
        }
        const std::string_view folder(path.data(), slash == 0 ? 1 : slash);
        if (folder != folder_) {
            closeFolder();
            folder_ = folder;
            folderFd_ = ::open(PathFromUtf8(folder_).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        }
        if (folderFd_ < 0) {
            return tolvane::stampOf(path);
        }
        return stampAt(folderFd_, path.c_str() + slash + 1);
    }

  private:
    void closeFolder() {
        if (folderFd_ >= 0) {
            ::close(folderFd_);
        }
        folderFd_ = -1;
    }

    std::string folder_;
    int folderFd_ = -1;
#else
    std::optional<FileStamp> stampOf(const std::string& path) {
        return tolvane::stampOf(path);
    }
#endif
};

}  // namespace tolvane
