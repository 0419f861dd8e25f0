#pragma once

#include <string>
#include <string_view>

namespace tolvane::source {

// An archive entry's name, made safe to show and to place by. Entry names are never used as
// paths on disk; still, a name that would reach outside the archive when unpacked (a ".."
// component, a leading slash or backslash, a drive such as "C:") is a sign of a hostile or
// broken archive, so it is flagged and read without those parts. A "." component is dropped
// silently: tar writes "./" before every name of an archive made from a folder.
struct SafeName {
    std::string name;
    bool unsafe = false;
};

SafeName safeEntryName(std::string_view name);

// An entry name as UTF-8: itself when it is UTF-8, else taken as ISO 8859-1.
std::string entryNameAsUtf8(std::string_view bytes);

}  // namespace tolvane::source
