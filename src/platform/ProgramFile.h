#pragma once

#include <filesystem>

namespace tolvane {

// The running program's own file, as the system names it (links resolved on Linux); empty when
// the system cannot say. What the program ships beside it is found from here.
std::filesystem::path programFile();

}  // namespace tolvane
