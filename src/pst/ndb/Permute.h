#pragma once

// NDB_CRYPT_PERMUTE ([MS-PST] 5.1), the encoding Outlook applies by default to the data of
// external blocks: a fixed byte-for-byte substitution.

#include <array>
#include <cstdint>
#include <span>

namespace tolvane::pst::ndb {

// The first third of the [MS-PST] 5.1 table (mpbbR), used to encode.
const std::array<std::uint8_t, 256>& permuteEncodeTable();
// Its inverse (the last third of the table, mpbbI), used to decode.
const std::array<std::uint8_t, 256>& permuteDecodeTable();

void permuteEncode(std::span<std::uint8_t> bytes);
void permuteDecode(std::span<std::uint8_t> bytes);

}  // namespace tolvane::pst::ndb
