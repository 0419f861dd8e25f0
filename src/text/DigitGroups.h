#pragma once

#include <cstdint>
#include <string>

namespace tolvane::text {

// A count as people read large ones: decimal, thousands set apart by commas ("100,000").
std::string groupedDecimal(std::uint64_t count);

}  // namespace tolvane::text
