#pragma once

#include <string>

namespace tolvane::scan {

// Windows paths end folders with '\' (and accept '/'); POSIX paths use '/' only.
enum class PathStyle { Windows, Posix };

constexpr PathStyle nativePathStyle() noexcept {
#ifdef _WIN32
    return PathStyle::Windows;
#else
    return PathStyle::Posix;
#endif
}

constexpr char separatorOf(PathStyle style) noexcept {
    return style == PathStyle::Windows ? '\\' : '/';
}

constexpr bool isSeparator(char c, PathStyle style) noexcept {
    return c == '/' || (style == PathStyle::Windows && c == '\\');
}

// The path unchanged when it already ends with a separator, else the path and one separator.
// An empty path gives a lone separator.
inline std::string withTrailingSeparator(const std::string& path, PathStyle style) {
    if (!path.empty() && isSeparator(path.back(), style)) {
        return path;
    }
    return path + separatorOf(style);
}

}  // namespace tolvane::scan
