#pragma once

// The NDB's on-disk structures, Unicode variant, one plain struct each, named as MS-PST names
// them, with sizeof equal to the on-disk size. They are serialised field by field (DiskCodec.h),
// never copied raw, so the host's byte order never leaks into the file.

#include <cstddef>
#include <cstdint>

namespace tolvane::pst::ndb::disk {

// [MS-PST] 2.2.2.4
struct Bref {
    std::uint64_t bid = 0;
    std::uint64_t ib = 0;
};
static_assert(sizeof(Bref) == 16);

// ROOT and HEADER put 64-bit fields at 4-byte offsets (ROOT sits at 0xB4), so these two alone
// are packed; take their fields by value, never by reference.
#pragma pack(push, 4)

// [MS-PST] 2.2.2.5
struct Root {
    std::uint32_t dwReserved = 0;
    std::uint64_t ibFileEof = 0;
    std::uint64_t ibAMapLast = 0;
    std::uint64_t cbAMapFree = 0;
    std::uint64_t cbPMapFree = 0;
    Bref brefNbt;
    Bref brefBbt;
    std::uint8_t fAMapValid = 0;
    std::uint8_t bReserved = 0;
    std::uint16_t wReserved = 0;
};
static_assert(sizeof(Root) == 72);

// [MS-PST] 2.2.2.6 (Unicode)
struct Header {
    std::uint32_t dwMagic = 0;
    std::uint32_t dwCRCPartial = 0;
    std::uint16_t wMagicClient = 0;
    std::uint16_t wVer = 0;
    std::uint16_t wVerClient = 0;
    std::uint8_t bPlatformCreate = 0;
    std::uint8_t bPlatformAccess = 0;
    std::uint32_t dwReserved1 = 0;
    std::uint32_t dwReserved2 = 0;
    std::uint64_t bidUnused = 0;
    std::uint64_t bidNextP = 0;
    std::uint32_t dwUnique = 0;
    std::uint32_t rgnid[32] = {};
    std::uint64_t qwUnused = 0;
    Root root;
    std::uint32_t dwAlign = 0;
    std::uint8_t rgbFM[128] = {};
    std::uint8_t rgbFP[128] = {};
    std::uint8_t bSentinel = 0;
    std::uint8_t bCryptMethod = 0;
    std::uint16_t rgbReserved = 0;
    std::uint64_t bidNextB = 0;
    std::uint32_t dwCRCFull = 0;
    std::uint8_t rgbReserved2[3] = {};
    std::uint8_t bReserved = 0;
    std::uint8_t rgbReserved3[32] = {};
};
static_assert(sizeof(Header) == 564);
static_assert(offsetof(Header, root) == 0xB4);
static_assert(offsetof(Header, dwCRCFull) == 0x20C);

#pragma pack(pop)

// [MS-PST] 2.2.2.7.1
struct PageTrailer {
    std::uint8_t ptype = 0;
    std::uint8_t ptypeRepeat = 0;
    std::uint16_t wSig = 0;
    std::uint32_t dwCRC = 0;
    std::uint64_t bid = 0;
};
static_assert(sizeof(PageTrailer) == 16);

// [MS-PST] 2.2.2.7.2.1, 2.2.2.7.3.1, 2.2.2.7.5.1, 2.2.2.7.6.1: AMap, PMap, FMap and FPMap
// pages share one shape, 496 bytes of map and the trailer.
struct MapPage {
    std::uint8_t rgb[496] = {};
    PageTrailer trailer;
};
static_assert(sizeof(MapPage) == 512);

// [MS-PST] 2.2.2.7.4.2
struct DListPage {
    std::uint8_t bFlags = 0;
    std::uint8_t cEntDList = 0;
    std::uint16_t wPadding = 0;
    std::uint32_t ulCurrentPage = 0;
    std::uint32_t rgDListPageEnt[119] = {};  // [MS-PST] 2.2.2.7.4.1 DLISTPAGEENT
    std::uint8_t rgPadding[12] = {};
    PageTrailer trailer;
};
static_assert(sizeof(DListPage) == 512);

// [MS-PST] 2.2.2.7.7.2
struct BtEntry {
    std::uint64_t btkey = 0;
    Bref bref;
};
static_assert(sizeof(BtEntry) == 24);

// [MS-PST] 2.2.2.7.7.3
struct BbtEntry {
    Bref bref;
    std::uint16_t cb = 0;
    std::uint16_t cRef = 0;
    std::uint32_t dwPadding = 0;
};
static_assert(sizeof(BbtEntry) == 24);

// [MS-PST] 2.2.2.7.7.4
struct NbtEntry {
    std::uint64_t nid = 0;  // the 32-bit NID, zero-extended
    std::uint64_t bidData = 0;
    std::uint64_t bidSub = 0;
    std::uint32_t nidParent = 0;
    std::uint32_t dwPadding = 0;
};
static_assert(sizeof(NbtEntry) == 32);

// [MS-PST] 2.2.2.7.7.1: entries are BtEntry, BbtEntry or NbtEntry, serialised apart.
struct BtPage {
    std::uint8_t rgentries[488] = {};
    std::uint8_t cEnt = 0;
    std::uint8_t cEntMax = 0;
    std::uint8_t cbEnt = 0;
    std::uint8_t cLevel = 0;
    std::uint32_t dwPadding = 0;
    PageTrailer trailer;
};
static_assert(sizeof(BtPage) == 512);

// [MS-PST] 2.2.2.8.1
struct BlockTrailer {
    std::uint16_t cb = 0;
    std::uint16_t wSig = 0;
    std::uint32_t dwCRC = 0;
    std::uint64_t bid = 0;
};
static_assert(sizeof(BlockTrailer) == 16);

// [MS-PST] 2.2.2.8.3.2.1 XBLOCK and 2.2.2.8.3.2.2 XXBLOCK: this head, then cEnt BIDs.
struct XBlockHeader {
    std::uint8_t btype = 0;
    std::uint8_t cLevel = 0;
    std::uint16_t cEnt = 0;
    std::uint32_t lcbTotal = 0;
};
static_assert(sizeof(XBlockHeader) == 8);

// [MS-PST] 2.2.2.8.3.3.1.2 SLBLOCK and 2.2.2.8.3.3.2.2 SIBLOCK: this head, then entries.
struct SBlockHeader {
    std::uint8_t btype = 0;
    std::uint8_t cLevel = 0;
    std::uint16_t cEnt = 0;
    std::uint32_t dwPadding = 0;
};
static_assert(sizeof(SBlockHeader) == 8);

// [MS-PST] 2.2.2.8.3.3.1.1
struct SlEntry {
    std::uint64_t nid = 0;
    std::uint64_t bidData = 0;
    std::uint64_t bidSub = 0;
};
static_assert(sizeof(SlEntry) == 24);

// [MS-PST] 2.2.2.8.3.3.2.1
struct SiEntry {
    std::uint64_t nid = 0;
    std::uint64_t bid = 0;
};
static_assert(sizeof(SiEntry) == 16);

// Field values and limits the structures above take.
namespace value {
inline constexpr std::uint32_t kMagic = 0x4E444221;       // "!BDN" [MS-PST] 2.2.2.6
inline constexpr std::uint16_t kMagicClientPst = 0x4D53;  // "SM"
inline constexpr std::uint16_t kVerUnicode = 23;
inline constexpr std::uint16_t kVerClient = 19;
inline constexpr std::uint8_t kPlatform = 0x01;
inline constexpr std::uint8_t kSentinel = 0x80;
inline constexpr std::uint8_t kCryptNone = 0x00;
inline constexpr std::uint8_t kCryptPermute = 0x01;
inline constexpr std::uint8_t kAMapValid2 = 0x02;   // [MS-PST] 2.2.2.5 VALID_AMAP2
inline constexpr std::uint8_t kAMapInvalid = 0x00;  // INVALID_AMAP: maps being rewritten

inline constexpr std::uint8_t kPageBbt = 0x80;  // [MS-PST] 2.2.2.7.1 ptype
inline constexpr std::uint8_t kPageNbt = 0x81;
inline constexpr std::uint8_t kPageFMap = 0x82;
inline constexpr std::uint8_t kPagePMap = 0x83;
inline constexpr std::uint8_t kPageAMap = 0x84;
inline constexpr std::uint8_t kPageFPMap = 0x85;
inline constexpr std::uint8_t kPageDList = 0x86;

inline constexpr std::uint8_t kBtypeXBlock = 0x01;  // [MS-PST] 2.2.2.8.3.2
inline constexpr std::uint8_t kBtypeSBlock = 0x02;  // [MS-PST] 2.2.2.8.3.3

inline constexpr std::uint8_t kBbtLeafMax = 20;  // [MS-PST] 2.2.2.7.7.1 cEntMax
inline constexpr std::uint8_t kNbtLeafMax = 15;
inline constexpr std::uint8_t kBtIndexMax = 20;
inline constexpr std::uint8_t kMaxBtLevels = 8;

inline constexpr std::uint16_t kXBlockMax = 1021;                 // (8176 - 8) / 8
inline constexpr std::uint16_t kSlBlockMax = 340;                 // (8176 - 8) / 24
inline constexpr std::uint16_t kSiBlockMax = 510;                 // (8176 - 8) / 16
inline constexpr std::uint8_t kDListFlagBackfillComplete = 0x01;  // [MS-PST] 2.2.2.7.4.2
inline constexpr std::size_t kDListMaxEntries = 119;
}  // namespace value

}  // namespace tolvane::pst::ndb::disk
