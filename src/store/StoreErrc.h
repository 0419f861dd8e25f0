#pragma once

#include <cstdint>

// Failure numbers of the store layer: MAPI's codes as a COM caller sees them (the HRESULT
// as a signed number), and the runtime's file errors where a file is the cause.
namespace tolvane::store::errc {

constexpr long hresult(std::uint32_t code) {
    return static_cast<std::int32_t>(code);
}

inline constexpr long kCollision = hresult(0x80040604);         // MAPI_E_COLLISION
inline constexpr long kNotFound = hresult(0x8004010F);          // MAPI_E_NOT_FOUND
inline constexpr long kNoSupport = hresult(0x80040102);         // MAPI_E_NO_SUPPORT
inline constexpr long kInvalidParameter = hresult(0x80070057);  // E_INVALIDARG
inline constexpr long kNotLoggedOn = hresult(0x80040111);       // MAPI_E_LOGON_FAILED
inline constexpr long kInvalidObject = hresult(0x80040108);     // MAPI_E_INVALID_OBJECT
inline constexpr long kFileExists = 58;                         // File already exists
inline constexpr long kFileAccess = 75;                         // Path/File access error
inline constexpr long kDiskFull = 61;                           // Disk full
inline constexpr long kDeviceIo = 57;                           // Device I/O error

}  // namespace tolvane::store::errc
