#pragma once

// NDB_CRYPT_PERMUTE ([MS-PST] 5.1), the encoding Outlook applies by default to the data of
// external blocks: a fixed byte-for-byte substitution.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tolvane::pst::ndb {

// The first third of the [MS-PST] 5.1 table (mpbbR), used to encode.
const std::array<std::uint8_t, 256>& permuteEncodeTable();
// Its inverse (the last third of the table, mpbbI), used to decode.
const std::array<std::uint8_t, 256>& permuteDecodeTable();

void permuteEncode(std::span<std::uint8_t> bytes);
// Encodes `in` into `out` (in.size() bytes), sparing a copy when the bytes move anyway.
void permuteEncode(std::span<const std::uint8_t> in, std::uint8_t* out);
void permuteDecode(std::span<std::uint8_t> bytes);

// One way of substituting `n` bytes through a 256-entry table (`in` may be `out`).
struct PermuteKernel {
    using Run = void (*)(const std::uint8_t* in, std::uint8_t* out, std::size_t n,
                         const std::uint8_t* table);
    const char* name;
    Run run;
};

// The kernels this CPU runs, fastest first, the portable one last. The functions above use
// the first; tests hold every one to the table.
std::vector<PermuteKernel> permuteKernels();

}  // namespace tolvane::pst::ndb
