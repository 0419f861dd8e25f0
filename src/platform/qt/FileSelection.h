#pragma once

#include <string>
#include <vector>

namespace tolvane::qtui {

// The file-open result built from a dialog's selection of full paths: "" for none, the path
// itself for one, else their common folder, a NUL, and the names below it separated by NUL.
// Throws AppError 5 when the paths share no folder (files on different drives).
std::string FileOpenResultOf(const std::vector<std::string>& chosenPaths, char separator);

// Qt name filters from "Description|pattern|Description|pattern..." (patterns ';'-separated).
std::vector<std::string> QtNameFiltersOf(const std::string& filter);

}  // namespace tolvane::qtui
