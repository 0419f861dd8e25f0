#pragma once

namespace tolvane {

// The product name: the title of the program's message boxes.
inline constexpr char kAppTitle[] = "Tolvane";

}  // namespace tolvane
