#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tolvane {

// File names are UTF-8 inside the program. On Windows std::filesystem reads a narrow string in
// the C library's code page, so a path is made from a name through this, on every system.
inline std::filesystem::path PathFromUtf8(std::string_view utf8) {
#ifdef _WIN32
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
#else
    return std::filesystem::path(utf8);
#endif
}

// The other way: a path as UTF-8 text, as reports and messages show it, on every system.
inline std::string Utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace tolvane
