#pragma once

namespace tolvane::shell {

// The two path syntaxes the path rules work on. Windows: '\' separates and a drive letter
// with a colon leads. POSIX: '/' separates and the root "/" plays the drive's part.
enum class PathSyntax { Windows, Posix };

constexpr PathSyntax nativePathSyntax() noexcept {
#ifdef _WIN32
    return PathSyntax::Windows;
#else
    return PathSyntax::Posix;
#endif
}

// The one character that separates components; the other syntax's separator is ordinary.
constexpr char separatorOf(PathSyntax syntax) noexcept {
    return syntax == PathSyntax::Windows ? '\\' : '/';
}

}  // namespace tolvane::shell
