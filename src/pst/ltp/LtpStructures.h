#pragma once

// On-disk structures of the LTP layer ([MS-PST] 2.3), with their sizes and signatures.
// Logic elsewhere serialises them through these definitions only.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "mapi/PropTag.h"
#include "pst/ndb/ByteOrder.h"

namespace tolvane::pst::ltp {

// Heap id ([MS-PST] 2.3.1.1): 1-based allocation index in bits 5-15, block index in 16-31.
struct Hid {
    std::uint32_t value = 0;

    static constexpr Hid make(std::uint32_t block, std::uint32_t index) {
        return Hid{(block << 16) | (index << 5)};
    }
    constexpr std::uint32_t block() const { return value >> 16; }
    constexpr std::uint32_t index() const { return (value >> 5) & 0x7FF; }
    constexpr bool isNull() const { return value == 0; }
    friend constexpr bool operator==(const Hid&, const Hid&) = default;
};

// HNHDR ([MS-PST] 2.3.1.2): the first bytes of a heap's first block.
struct HnHeader {
    static constexpr std::size_t kSize = 12;
    static constexpr std::uint8_t kSig = 0xEC;
    std::uint16_t ibHnpm = 0;
    std::uint8_t clientSig = 0;
    Hid userRoot;
    std::uint32_t fillLevels = 0;  // eight 4-bit levels, block 0 in the low nibble

    void write(std::span<std::uint8_t> out) const {
        ndb::le::put16(out, 0, ibHnpm);
        out[2] = kSig;
        out[3] = clientSig;
        ndb::le::put32(out, 4, userRoot.value);
        ndb::le::put32(out, 8, fillLevels);
    }
};

// HNPAGEHDR ([MS-PST] 2.3.1.3): blocks 1-7 and every block that is not a bitmap block.
inline constexpr std::size_t kHnPageHeaderSize = 2;
// HNBITMAPHDR ([MS-PST] 2.3.1.4): block 8 and every 128th block after it.
inline constexpr std::size_t kHnBitmapHeaderSize = 66;
inline constexpr std::size_t kHnBitmapFirstBlock = 8;
inline constexpr std::size_t kHnBitmapInterval = 128;

// HNPAGEMAP ([MS-PST] 2.3.1.5): cAlloc, cFree, then cAlloc + 1 offsets.
inline constexpr std::size_t hnPageMapSize(std::size_t allocations) {
    return 4 + 2 * (allocations + 1);
}

// Limits of one heap ([MS-PST] 2.3.1.1, 2.6.2.1.2).
inline constexpr std::size_t kMaxHeapItem = 3580;
inline constexpr std::size_t kMaxHeapItemsPerBlock = 2047;
inline constexpr std::size_t kMaxHeapBlocks = 65535;

// bClientSig values ([MS-PST] 2.3.1.2).
inline constexpr std::uint8_t kClientSigTc = 0x7C;
inline constexpr std::uint8_t kClientSigBth = 0xB5;
inline constexpr std::uint8_t kClientSigPc = 0xBC;

// BTHHEADER ([MS-PST] 2.3.2.1).
struct BthHeader {
    static constexpr std::size_t kSize = 8;
    std::uint8_t cbKey = 0;
    std::uint8_t cbEnt = 0;
    std::uint8_t indexLevels = 0;
    Hid root;

    void write(std::span<std::uint8_t> out) const {
        out[0] = kClientSigBth;
        out[1] = cbKey;
        out[2] = cbEnt;
        out[3] = indexLevels;
        ndb::le::put32(out, 4, root.value);
    }
};

// PC BTH record ([MS-PST] 2.3.3.3): wPropId key, wPropType and dwValueHnid data.
inline constexpr std::uint8_t kPcKeySize = 2;
inline constexpr std::uint8_t kPcDataSize = 6;

// TCOLDESC ([MS-PST] 2.3.4.2).
struct TColumn {
    static constexpr std::size_t kSize = 8;
    mapi::PropTag tag;
    std::uint16_t ibData = 0;
    std::uint8_t cbData = 0;
    std::uint8_t iBit = 0;

    void write(std::span<std::uint8_t> out, std::size_t at) const {
        ndb::le::put32(out, at, tag.value());
        ndb::le::put16(out, at + 4, ibData);
        out[at + 6] = cbData;
        out[at + 7] = iBit;
    }
    friend bool operator==(const TColumn&, const TColumn&) = default;
};

// TCINFO ([MS-PST] 2.3.4.1) without its column array.
struct TcInfo {
    static constexpr std::size_t kFixedSize = 22;
    std::uint8_t columnCount = 0;
    std::uint16_t rgib[4] = {};  // ends of the 8/4-byte, 2-byte, 1-byte groups and the CEB
    Hid rowIndex;
    std::uint32_t rows = 0;  // HNID of the row matrix; 0 for none

    void write(std::span<std::uint8_t> out) const {
        out[0] = kClientSigTc;
        out[1] = columnCount;
        for (int i = 0; i < 4; ++i) {
            ndb::le::put16(out, 2 + 2 * i, rgib[i]);
        }
        ndb::le::put32(out, 10, rowIndex.value);
        ndb::le::put32(out, 14, rows);
        ndb::le::put32(out, 18, 0);  // hidIndex, deprecated
    }
};

// TCROWID ([MS-PST] 2.3.4.3.1): the RowIndex BTH record, dwRowID key and dwRowIndex.
inline constexpr std::uint8_t kRowIndexKeySize = 4;
inline constexpr std::uint8_t kRowIndexDataSize = 4;

// PtypObject value in a heap ([MS-PST] 2.3.3.5): subnode NID and size.
inline constexpr std::size_t kObjectValueSize = 8;

}  // namespace tolvane::pst::ltp
