#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tolvane::win32 {

// What the file-open dialog left in its buffer, in the seam's raw form: "" for nothing, one
// full path, or the folder, NUL, and the chosen names separated by NUL.
struct FileOpenSelection {
    std::string result;
    std::size_t files = 0;
};

// Reads the dialog's buffer up to its double NUL: "path" NUL NUL for one file, or
// "folder" NUL "name" NUL ... NUL NUL for several.
FileOpenSelection SelectionOfBuffer(std::wstring_view buffer);

// The dialog's filter from "Description|pattern|Description|pattern": each text ended by a
// NUL, and one more NUL after the last.
std::wstring DialogFilterOf(std::string_view filter);

}  // namespace tolvane::win32
