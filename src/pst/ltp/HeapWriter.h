#pragma once

// Builds a heap on node ([MS-PST] 2.3.1) in memory: items of up to 3580 bytes, packed into
// as many blocks as they need, each block with its page map; every block but the last is
// padded to the full 8176 bytes, as Outlook writes them. The result is the node's data
// blocks, ready for BlockWriter::writeBlocks.

#include <cstdint>
#include <span>
#include <vector>

#include "pst/ltp/HeapBlock.h"

namespace tolvane::pst::ltp {

class HeapWriter {
  public:
    explicit HeapWriter(std::uint8_t clientSig);

    // Adds an item holding bytes (at most 3580); throws PstError when it is larger.
    Hid allocate(std::span<const std::uint8_t> bytes);
    // Adds a zero-filled item of size bytes, to be filled in through item() later.
    Hid reserve(std::size_t size);
    std::span<std::uint8_t> item(Hid hid);

    void setUserRoot(Hid root) { heap_.userRoot = root; }

    // Bytes the finished blocks will hold in total.
    std::uint64_t totalSize() const;
    std::size_t blockCount() const { return blocks_.size(); }

    // The finished blocks, each with its header and page map. The writer is empty afterwards.
    std::vector<std::vector<std::uint8_t>> finish();

  private:
    HeapBlock& blockFor(std::size_t size);

    HeapIdentity heap_;
    std::vector<HeapBlock> blocks_;
};

}  // namespace tolvane::pst::ltp
