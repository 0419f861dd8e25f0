#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

namespace tolvane::pstcheck {

using Bytes = std::span<const std::uint8_t>;

// A structure that does not fit in the bytes that hold it; callers report it where they are.
struct Truncated : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Little-endian unsigned integer of width N at offset, bounds-checked.
template <typename T>
T le(Bytes bytes, std::size_t offset) {
    if (offset > bytes.size() || bytes.size() - offset < sizeof(T)) {
        throw Truncated("read of " + std::to_string(sizeof(T)) + " bytes at offset " +
                        std::to_string(offset) + " past end " + std::to_string(bytes.size()));
    }
    T value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        value |= static_cast<T>(static_cast<T>(bytes[offset + i]) << (8 * i));
    }
    return value;
}

inline std::uint8_t u8(Bytes b, std::size_t o) {
    return le<std::uint8_t>(b, o);
}
inline std::uint16_t u16(Bytes b, std::size_t o) {
    return le<std::uint16_t>(b, o);
}
inline std::uint32_t u32(Bytes b, std::size_t o) {
    return le<std::uint32_t>(b, o);
}
inline std::uint64_t u64(Bytes b, std::size_t o) {
    return le<std::uint64_t>(b, o);
}

inline Bytes slice(Bytes b, std::size_t offset, std::size_t size) {
    if (offset > b.size() || b.size() - offset < size) {
        throw Truncated("range of " + std::to_string(size) + " bytes at offset " +
                        std::to_string(offset) + " past end " + std::to_string(b.size()));
    }
    return b.subspan(offset, size);
}

}  // namespace tolvane::pstcheck
