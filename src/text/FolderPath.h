#pragma once

// A folder path: folder names joined by single backslashes, no drive and no backslash at
// either end (Users\me\Inbox). The store session's lookups put two backslashes and the
// store's display name in front of it, Outlook's one backslash and the display name. Every
// walk down such a path splits it here.

#include <string_view>
#include <utility>
#include <vector>

namespace tolvane::text {

inline constexpr char kFolderSeparator = '\\';

// The names in order: A\B gives A and B. A name between two backslashes is empty (A\\B gives
// A, "" and B), and a lookup fails on it; a backslash at the end adds no name. The empty
// path has no names.
std::vector<std::string_view> folderNames(std::string_view path);

// The path without its last name, and that name: A\B\C gives A\B and C, A gives "" and A.
std::pair<std::string_view, std::string_view> parentAndLeaf(std::string_view path);

}  // namespace tolvane::text
