#pragma once

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
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

// The stamp of a regular file (links followed); none when there is no such file. On POSIX one
// stat, where std::filesystem takes three: a queue stamps every file it holds.
inline std::optional<FileStamp> stampOf(const std::string& path) {
#ifndef _WIN32
    struct stat status {};
    if (::stat(PathFromUtf8(path).c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    return stampOfStatus(status);
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

}  // namespace tolvane
