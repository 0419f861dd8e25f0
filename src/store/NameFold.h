#pragma once

#include <string>
#include <string_view>

namespace tolvane::store {

// A folder name folded for comparison without regard to case, as a MAPI store compares
// sibling names and path components (Unicode case folding).
std::string foldName(std::string_view name);

}  // namespace tolvane::store
