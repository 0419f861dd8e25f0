#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pstcheck/Report.h"
#include "pstcheck/ltp/Heap.h"

namespace tolvane::pstcheck {

struct BthRecord {
    std::uint64_t key = 0;  // keys of up to 8 bytes, little-endian
    Bytes data;
};

struct Bth {
    std::uint8_t levels = 0;  // bIdxLevels: index levels above the leaves
    std::vector<BthRecord> records;
};

// [MS-PST] 2.3.2 BTree-on-Heap: checks the header, every index and leaf level, record sizes
// and key order, and returns the leaf records in key order. Nothing when the header is bad.
std::optional<Bth> readBth(const Heap& heap, std::uint32_t hid, std::uint8_t cbKey,
                           std::uint8_t cbEnt, Report& report);

}  // namespace tolvane::pstcheck
