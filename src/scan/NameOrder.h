#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tolvane::scan {

// The key Windows sorts a folder's names by: the UTF-16 code units of the name, each
// upper-cased on its own (simple mapping, no locale rules). Bytes that are not valid UTF-8
// become the units 0xDC80..0xDCFF so every name has a key.
std::u16string upperCaseSortKey(std::string_view utf8Name);

// Sorts entries by the upperCaseSortKey of entry.Name; entries with equal keys (a.eml and
// A.EML) by the bytes of their names, so the order never depends on the system's listing.
template <typename Entry>
void sortLikeWindowsFolder(std::vector<Entry>& entries) {
    std::vector<std::pair<std::u16string, std::size_t>> order;
    order.reserve(entries.size());
    for (std::size_t k = 0; k < entries.size(); ++k) {
        order.emplace_back(upperCaseSortKey(entries[k].Name), k);
    }
    std::sort(order.begin(), order.end(), [&entries](const auto& a, const auto& b) {
        if (a.first != b.first) {
            return a.first < b.first;
        }
        return entries[a.second].Name < entries[b.second].Name;
    });
    std::vector<Entry> sorted;
    sorted.reserve(entries.size());
    for (const auto& [sortKey, k] : order) {
        sorted.push_back(std::move(entries[k]));
    }
    entries = std::move(sorted);
}

}  // namespace tolvane::scan
