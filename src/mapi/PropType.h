#pragma once

#include <cstdint>

namespace tolvane::mapi {

// Property types as MS-OXCDATA 2.11.1 numbers them.
enum class PropType : std::uint16_t {
    Int16 = 0x0002,
    Int32 = 0x0003,
    Float = 0x0004,
    Double = 0x0005,
    Currency = 0x0006,
    AppTime = 0x0007,
    ErrorCode = 0x000A,
    Boolean = 0x000B,
    Object = 0x000D,
    Int64 = 0x0014,
    String8 = 0x001E,
    Unicode = 0x001F,
    SysTime = 0x0040,
    Guid = 0x0048,
    Binary = 0x0102,
    MvInt16 = 0x1002,
    MvInt32 = 0x1003,
    MvFloat = 0x1004,
    MvDouble = 0x1005,
    MvCurrency = 0x1006,
    MvAppTime = 0x1007,
    MvInt64 = 0x1014,
    MvString8 = 0x101E,
    MvUnicode = 0x101F,
    MvSysTime = 0x1040,
    MvGuid = 0x1048,
    MvBinary = 0x1102,
};

inline constexpr bool isMultiValued(PropType t) {
    return (static_cast<std::uint16_t>(t) & 0x1000) != 0;
}

inline constexpr PropType singleOf(PropType t) {
    return static_cast<PropType>(static_cast<std::uint16_t>(t) & 0x0FFF);
}

// A 32-bit property tag: id in the high half, type in the low half.
inline constexpr std::uint32_t makeTag(std::uint16_t id, PropType type) {
    return (std::uint32_t{id} << 16) | static_cast<std::uint16_t>(type);
}

}  // namespace tolvane::mapi
