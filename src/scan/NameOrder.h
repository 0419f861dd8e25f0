#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane::scan {

// The key Windows sorts a folder's names by: the UTF-16 code units of the name, each
// upper-cased on its own (simple mapping, no locale rules). Bytes that are not valid UTF-8
// become the units 0xDC80..0xDCFF so every name has a key.
std::u16string upperCaseSortKey(std::string_view utf8Name);

// Whether name a comes before name b in a Windows folder: by upperCaseSortKey, and names with
// equal keys (a.eml and A.EML) by their bytes, so the order never depends on the system's
// listing. Walks the keys unit by unit: a folder of a million names sorts without a million
// keys built beside it.
bool sortsBeforeLikeWindows(std::string_view a, std::string_view b);

// Sorts entries by their Name, as sortsBeforeLikeWindows orders them.
template <typename Entry>
void sortLikeWindowsFolder(std::vector<Entry>& entries) {
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return sortsBeforeLikeWindows(a.Name, b.Name);
    });
}

}  // namespace tolvane::scan
