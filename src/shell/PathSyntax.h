#pragma once

#include <string>
#include <string_view>

namespace tolvane::shell {

// The two path syntaxes of the program, one rule for each. Windows: '\' separates and a drive
// letter with a colon leads. POSIX: '/' separates and the root "/" plays the drive's part. Each
// syntax has one separator; the other syntax's separator is an ordinary character.
enum class PathSyntax { Windows, Posix };

constexpr PathSyntax nativePathSyntax() noexcept {
#ifdef _WIN32
    return PathSyntax::Windows;
#else
    return PathSyntax::Posix;
#endif
}

constexpr char separatorOf(PathSyntax syntax) noexcept {
    return syntax == PathSyntax::Windows ? '\\' : '/';
}

// The syntax a path is written in, whatever system runs the program: POSIX when it starts
// at the root "/", Windows otherwise (a drive, a network path). Queued paths and the
// destination are read this way, so a queue of Windows paths means the same on Linux.
constexpr PathSyntax syntaxOf(std::string_view path) noexcept {
    return !path.empty() && path.front() == '/' ? PathSyntax::Posix : PathSyntax::Windows;
}

// The path unchanged when it already ends with its syntax's separator, else the path and one
// separator. An empty path gives a lone separator.
inline std::string withTrailingSeparator(std::string path, PathSyntax syntax) {
    if (path.empty() || path.back() != separatorOf(syntax)) {
        path.push_back(separatorOf(syntax));
    }
    return path;
}

}  // namespace tolvane::shell
