#pragma once

// Whether any name in a folder passes a test. On POSIX the names come straight from readdir:
// std::filesystem's iterator makes each entry's full path, which in a folder of a million
// files cost four times the listing itself.

#ifndef _WIN32
#include <dirent.h>

#include <cerrno>
#else
#include <filesystem>
#include <system_error>

#include "platform/Utf8Path.h"
#endif

#include <optional>
#include <string>
#include <string_view>

namespace tolvane {

// None when the folder cannot be listed, or its listing fails part way. "." and ".." are not
// names here.
template <typename Test>
std::optional<bool> anyNameInFolder(const std::string& utf8Folder, Test test) {
#ifndef _WIN32
    DIR* const dir = ::opendir(utf8Folder.c_str());
    if (dir == nullptr) {
        return std::nullopt;
    }
    std::optional<bool> found = false;
    for (;;) {
        errno = 0;
        const dirent* const entry = ::readdir(dir);
        if (entry == nullptr) {
            if (errno != 0) {
                found.reset();
            }
            break;
        }
        const std::string_view name(entry->d_name);
        if (name != "." && name != ".." && test(name)) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
#else
    std::error_code error;
    std::filesystem::directory_iterator entries(PathFromUtf8(utf8Folder), error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        if (test(std::string_view(Utf8FromPath(entries->path().filename())))) {
            return true;
        }
    }
    if (error) {
        return std::nullopt;
    }
    return false;
#endif
}

}  // namespace tolvane
