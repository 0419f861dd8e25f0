#pragma once

#include <cstddef>
#include <string>

#include "pstcheck/Report.h"
#include "pstcheck/ltp/PropertyContext.h"
#include "pstcheck/ltp/TableContext.h"

namespace tolvane::pstcheck {

// [MS-PST] 2.4.4.3: a table row copies properties of the object it names. Every column whose
// property the object has (same type) must have its cell in the row, holding the same value.
void compareRowWithObject(const TableContext& table, std::size_t row, const PropertyContext& object,
                          const char* structure, const std::string& where, Report& report);

}  // namespace tolvane::pstcheck
