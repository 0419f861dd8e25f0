#pragma once

#include <cstdint>
#include <string>

namespace tolvane::pst {

// "0x" and the value in upper-case hex digits, zero-padded to `digits` (a tag or NID reads as
// its eight digits), as the writer's errors name ids, offsets and fields.
inline std::string hex(std::uint64_t value, int digits = 0) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    do {
        out.insert(out.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0 || static_cast<int>(out.size()) < digits);
    return "0x" + out;
}

}  // namespace tolvane::pst
