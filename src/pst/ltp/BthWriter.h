#pragma once

// Writes a BTree-on-heap ([MS-PST] 2.3.2) over records already sorted by key, adding index
// levels while the records do not fit one heap item.

#include <cstdint>
#include <span>

#include "pst/ltp/HeapWriter.h"

namespace tolvane::pst::ltp {

struct BthShape {
    std::uint8_t cbKey = 0;
    std::uint8_t cbEnt = 0;
    std::size_t recordSize() const { return std::size_t{cbKey} + cbEnt; }
    // Records one leaf item holds.
    std::size_t leafCapacity() const { return kMaxHeapItem / recordSize(); }
};

// Reserves the 8-byte BTHHEADER, so it can take the heap's first HID as Outlook's do.
Hid reserveBthHeader(HeapWriter& heap);

// Fills the header reserved before with a tree over records (each key then data, keys
// strictly ascending as little-endian numbers). firstLeaf, when not null, is an item reserved
// earlier for the first min(count, leafCapacity) records.
void writeBth(HeapWriter& heap, Hid header, BthShape shape, std::span<const std::uint8_t> records,
              Hid firstLeaf = {});

}  // namespace tolvane::pst::ltp
