#pragma once

// Writes a BTree-on-heap ([MS-PST] 2.3.2): leaves of records sorted by key, and index levels
// over them while more than one item remains.

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "pst/ltp/DiskStructs.h"
#include "pst/ltp/HeapWriter.h"

namespace tolvane::pst::ltp {

struct BthShape {
    std::uint8_t cbKey = 0;
    std::uint8_t cbEnt = 0;
    std::size_t recordSize() const { return std::size_t{cbKey} + cbEnt; }
    // Records one leaf item holds.
    std::size_t leafCapacity() const { return disk::value::kMaxHeapItem / recordSize(); }
    // An index record: a child's first key and its HID ([MS-PST] 2.3.2.2).
    std::size_t indexRecordSize() const { return std::size_t{cbKey} + 4; }
};

// Appends one index record (the first key of `item`, cbKey bytes, and its HID) to `level`.
void addIndexRecord(std::vector<std::uint8_t>& level, std::span<const std::uint8_t> item,
                    std::uint8_t cbKey, Hid hid);

// The index levels over a BTH's leaves, one index record per leaf in key order: each level
// packs its records into heap items through `allocate`, until one item is left, the root. Gives
// the BTHHEADER of the tree (no root for no leaves).
disk::BthHeader writeBthIndex(BthShape shape, std::vector<std::uint8_t> leaves,
                              const std::function<Hid(std::span<const std::uint8_t>)>& allocate);

// Reserves the 8-byte BTHHEADER, so it can take the heap's first HID as Outlook's do.
Hid reserveBthHeader(HeapWriter& heap);

// Fills the header reserved before with a tree over records (each key then data, keys
// strictly ascending as little-endian numbers). firstLeaf, when not null, is an item reserved
// earlier for the first min(count, leafCapacity) records. Returns the leaves' HIDs in order.
std::vector<Hid> writeBth(HeapWriter& heap, Hid header, BthShape shape,
                          std::span<const std::uint8_t> records, Hid firstLeaf = {});

}  // namespace tolvane::pst::ltp
