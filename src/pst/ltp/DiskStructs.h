#pragma once

// The LTP layer's on-disk structures ([MS-PST] 2.3), one plain struct each, named as MS-PST
// names them, with sizeof equal to the on-disk size. They are serialised field by field
// (DiskCodec.h), never copied raw; logic elsewhere writes them through these definitions only.

#include <cstddef>
#include <cstdint>

#include "mapi/PropTag.h"

namespace tolvane::pst::ltp::disk {

// [MS-PST] 2.3.1.2: the start of a heap's first block.
struct HnHdr {
    std::uint16_t ibHnpm = 0;
    std::uint8_t bSig = 0;
    std::uint8_t bClientSig = 0;
    std::uint32_t hidUserRoot = 0;
    std::uint32_t rgbFillLevel = 0;  // eight 4-bit levels, block 0 in the low nibble
};
static_assert(sizeof(HnHdr) == 12);

// [MS-PST] 2.3.1.3: blocks 1-7 and every block that is not a bitmap block.
struct HnPageHdr {
    std::uint16_t ibHnpm = 0;
};
static_assert(sizeof(HnPageHdr) == 2);

// [MS-PST] 2.3.1.4: block 8 and every 128th block after it.
struct HnBitmapHdr {
    std::uint16_t ibHnpm = 0;
    std::uint8_t rgbFillLevel[64] = {};  // 128 4-bit levels from this block on
};
static_assert(sizeof(HnBitmapHdr) == 66);

// [MS-PST] 2.3.1.5: this head, then cAlloc + 1 offsets (rgibAlloc).
struct HnPageMapHead {
    std::uint16_t cAlloc = 0;
    std::uint16_t cFree = 0;
};
static_assert(sizeof(HnPageMapHead) == 4);

// [MS-PST] 2.3.2.1
struct BthHeader {
    std::uint8_t bType = 0;
    std::uint8_t cbKey = 0;
    std::uint8_t cbEnt = 0;
    std::uint8_t bIdxLevels = 0;
    std::uint32_t hidRoot = 0;
};
static_assert(sizeof(BthHeader) == 8);

// [MS-PST] 2.3.3.3: a PC's BTH record, wPropId the key.
struct PcBthRecord {
    std::uint16_t wPropId = 0;
    std::uint16_t wPropType = 0;
    std::uint32_t dwValueHnid = 0;
};
static_assert(sizeof(PcBthRecord) == 8);

// [MS-PST] 2.3.3.5: a PtypObject value in a PC's heap.
struct ObjectValue {
    std::uint32_t nid = 0;
    std::uint32_t ulSize = 0;
};
static_assert(sizeof(ObjectValue) == 8);

// TCINFO puts 32-bit fields at 2-byte offsets (hidRowIndex sits at 10), so it alone is packed;
// take its fields by value, never by reference.
#pragma pack(push, 2)

// [MS-PST] 2.3.4.1, without its column array (cCols TCOLDESCs follow).
struct TcInfo {
    std::uint8_t bType = 0;
    std::uint8_t cCols = 0;
    std::uint16_t rgib[4] = {};  // ends of the 8/4-byte, 2-byte, 1-byte groups and the CEB
    std::uint32_t hidRowIndex = 0;
    std::uint32_t hnidRows = 0;  // HID or subnode NID of the row matrix; 0 for none
    std::uint32_t hidIndex = 0;  // deprecated
};
static_assert(sizeof(TcInfo) == 22);

#pragma pack(pop)

// [MS-PST] 2.3.4.3.1: the RowIndex BTH record, dwRowID the key.
struct TcRowId {
    std::uint32_t dwRowID = 0;
    std::uint32_t dwRowIndex = 0;
};
static_assert(sizeof(TcRowId) == 8);

// Field values and limits the structures above take.
namespace value {
inline constexpr std::uint8_t kHnSig = 0xEC;         // [MS-PST] 2.3.1.2 bSig
inline constexpr std::uint8_t kClientSigTc = 0x7C;   // bClientSig
inline constexpr std::uint8_t kClientSigBth = 0xB5;  // also BTHHEADER bType
inline constexpr std::uint8_t kClientSigPc = 0xBC;
inline constexpr std::uint8_t kTcInfoType = 0x7C;  // [MS-PST] 2.3.4.1 bType

inline constexpr std::size_t kHnBitmapFirstBlock = 8;  // [MS-PST] 2.3.1.4
inline constexpr std::size_t kHnBitmapInterval = 128;
inline constexpr std::size_t kMaxHeapItem = 3580;  // [MS-PST] 2.3.1.1, 2.6.2.1.2
inline constexpr std::size_t kMaxHeapItemsPerBlock = 2047;
inline constexpr std::size_t kMaxHeapBlocks = 65535;
}  // namespace value

}  // namespace tolvane::pst::ltp::disk

namespace tolvane::pst::ltp {

// TCOLDESC ([MS-PST] 2.3.4.2), the tag kept as a tag: written as its 32-bit form.
struct TColumn {
    mapi::PropTag tag;
    std::uint16_t ibData = 0;
    std::uint8_t cbData = 0;
    std::uint8_t iBit = 0;
    friend bool operator==(const TColumn&, const TColumn&) = default;
};
static_assert(sizeof(TColumn) == 8);

}  // namespace tolvane::pst::ltp
