#pragma once

// Error numbers of the classic desktop runtime that only the scanner raises.
namespace tolvane::scan_errc {
inline constexpr long kInvalidProcedureCall = 5;
inline constexpr long kPathFileAccessError = 75;
inline constexpr long kObjectNotSet = 91;
}  // namespace tolvane::scan_errc
