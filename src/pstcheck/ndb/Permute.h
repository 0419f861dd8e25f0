#pragma once

#include <cstdint>
#include <span>

namespace tolvane::pstcheck {

// [MS-PST] 5.1, NDB_CRYPT_PERMUTE: a fixed byte substitution of external block data.
void permuteDecode(std::span<std::uint8_t> data);
void permuteEncode(std::span<std::uint8_t> data);

}  // namespace tolvane::pstcheck
