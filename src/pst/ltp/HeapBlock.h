#pragma once

// One block of a heap on node as it is built ([MS-PST] 2.3.1): room for the header its place in
// the heap calls for, the items after it and, once encoded, the page map after those at an even
// offset. Both heap builders (HeapWriter, GrowingHeap) keep their blocks as these.

#include <cstdint>
#include <span>
#include <vector>

#include "pst/ltp/Hid.h"

namespace tolvane::pst::ltp {

// What block 0's header says of the whole heap.
struct HeapIdentity {
    std::uint8_t clientSig = 0;
    Hid userRoot;
};

class HeapBlock {
  public:
    // Throws PstError past the 65535 blocks a heap may have.
    explicit HeapBlock(std::size_t index);

    // Throws PstError for an item larger than a heap item may be (3580 bytes).
    static void checkItemSize(std::size_t size);
    // The block whose header holds block `index`'s fill level: 0 for blocks 0-7, else the
    // bitmap block at or before it.
    static std::size_t levelHolder(std::size_t index);
    // Throws PstError naming a HID no item has.
    [[noreturn]] static void noItem(Hid hid);

    std::size_t index() const { return index_; }
    // Whether one more item of `size` bytes, and its page-map entry, still fit.
    bool fits(std::size_t size) const;
    // Appends an item (zeros when `bytes` is empty and size is given) and returns its HID.
    Hid append(std::span<const std::uint8_t> bytes);
    Hid appendZeros(std::size_t size);
    bool holds(Hid hid) const;
    std::span<std::uint8_t> item(Hid hid);
    // Frees an item: its HID stays, with no bytes ([MS-PST] 2.3.1.5 cFree). Throws PstError
    // for an item freed before.
    void free(Hid hid);

    // Bytes the block takes with its page map.
    std::size_t finishedSize() const;
    // Fill level ([MS-PST] 2.3.1.2) of the finished block.
    std::uint8_t fillLevel() const;
    // The block as written: header, items and page map, padded to a full block unless it is
    // the heap's last, as Outlook writes them. `levels` holds the fill level of every block of
    // the heap, for the headers that carry them.
    std::vector<std::uint8_t> encode(bool last, const HeapIdentity& heap,
                                     std::span<const std::uint8_t> levels) const;

  private:
    std::size_t pageMapOffset() const;
    std::size_t itemEnd(std::size_t i) const;

    std::size_t index_;
    std::vector<std::uint8_t> bytes_;  // header room and items, no page map
    std::vector<std::uint16_t> starts_;
    std::uint16_t freed_ = 0;
};

}  // namespace tolvane::pst::ltp
