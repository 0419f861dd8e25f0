#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pstcheck/Checker.h"
#include "pstcheck/ndb/BTrees.h"

namespace tolvane::pstcheck::test {

// A PST file copied into memory, for breaking one thing at a time and re-sealing everything
// else (CRCs) so that only the intended fault remains.
class PstImage {
  public:
    explicit PstImage(const std::string& path);

    std::vector<std::uint8_t>& bytes() { return bytes_; }
    CheckResult check(bool strict = false) const;
    BTrees trees() const;
    // Bytes a check covers, and the offset of the structure a problem about a change to them
    // names: the header through dwCRCFull but wVer (named by its CRC fields, or dwMagic), the
    // DList, AMap and PMap pages, B-tree pages (with the pages above them), and each block's
    // data and trailer (not its padding).
    struct CheckedRange {
        enum class Kind { Header, MapPage, NbtPage, BbtPage, Block };
        Kind kind = Kind::Header;
        std::uint64_t ib = 0;
        std::uint64_t size = 0;
        std::uint64_t namedAt = 0;
        std::vector<std::uint64_t> above;  // B-tree pages: the pages from the root down to it
    };
    std::vector<CheckedRange> checkedRanges() const;

    BbtEntry block(std::uint64_t bid) const;
    NbtEntry node(std::uint32_t nid) const;

    // The decoded (permute) data of an external block, and writing it back encoded with a
    // fresh trailer CRC.
    std::vector<std::uint8_t> blockData(std::uint64_t bid) const;
    void setBlockData(std::uint64_t bid, const std::vector<std::uint8_t>& data);
    // Internal blocks (XBLOCK, SLBLOCK) are stored unencoded.
    std::vector<std::uint8_t> rawBlock(std::uint64_t bid) const;
    void setRawBlock(std::uint64_t bid, const std::vector<std::uint8_t>& data);
    std::uint64_t trailerOffset(std::uint64_t bid) const;
    void resealPage(std::uint64_t ib);
    void resealHeader();

    // Offset and size of a heap allocation in block 0 of a decoded heap.
    static std::pair<std::size_t, std::size_t> heapItem(const std::vector<std::uint8_t>& heap,
                                                        std::uint32_t hid);
    static std::uint16_t get16(const std::vector<std::uint8_t>& b, std::size_t at);
    static std::uint32_t get32(const std::vector<std::uint8_t>& b, std::size_t at);

  private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace tolvane::pstcheck::test
