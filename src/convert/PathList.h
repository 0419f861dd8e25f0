#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tolvane::convert {

// A zero-based, growable list of paths, resized in place.
using PathList = std::vector<std::string>;

// Sorts positions first to last (inclusive) into ascending code-unit order, in place, by a
// quicksort with a middle pivot and crossing scans. Entries outside the range stay as they
// are. Throws AppError 9 when it reads a position outside the list, 6 when first + last
// leaves the 64-bit range. Stack depth stays logarithmic: it recurses into the smaller side.
void SortPathList(PathList& list, std::int64_t first, std::int64_t last);

// Empties every non-empty entry equal to its predecessor, drops every empty entry and
// shrinks the list to the survivors in their order. On sorted input: the distinct
// non-empty entries. A list with no survivor becomes empty.
void RemoveDuplicatePaths(PathList& list);

}  // namespace tolvane::convert
