#pragma once

#include <cstddef>
#include <cstdint>

// Sizes, offsets and codes of the Unicode PST node database, each with its [MS-PST] section.
namespace tolvane::pstcheck::fmt {

// [2.2.2.6] HEADER
inline constexpr std::uint32_t kMagic = 0x4E444221;    // "!BDN"
inline constexpr std::uint16_t kMagicClient = 0x4D53;  // "SM"
inline constexpr std::uint16_t kVerUnicode = 23;
inline constexpr std::uint16_t kVerClient = 19;
inline constexpr std::size_t kHeaderPartialCrcStart = 0x008, kHeaderPartialCrcSize = 471;
inline constexpr std::size_t kHeaderFullCrcSize = 516;
inline constexpr std::size_t kRootOffset = 0x0B4;  // [2.2.2.5] ROOT inside the header

// [2.2.2.7] pages
inline constexpr std::size_t kPageSize = 512;
inline constexpr std::size_t kPageTrailerOffset = 496;
enum PageType : std::uint8_t {
    kBbt = 0x80,
    kNbt = 0x81,
    kFMap = 0x82,
    kPMap = 0x83,
    kAMap = 0x84,
    kFPMap = 0x85,
    kDList = 0x86,
};

// [2.2.2.7.2] allocation map geometry
inline constexpr std::uint64_t kFirstAMap = 0x4400;
inline constexpr std::uint64_t kDListOffset = 0x4200;
inline constexpr std::uint64_t kAMapCoverage = 496ull * 8 * 64;  // 253,952 bytes
inline constexpr std::size_t kAMapBytes = 496;
inline constexpr std::uint64_t kSlot = 64;
inline constexpr std::uint64_t kAMapsPerPMap = 8;    // [2.2.2.7.3]
inline constexpr std::uint64_t kAMapsPerFMap = 496;  // [2.2.2.7.5]
inline constexpr std::uint64_t kFMapFirstSection = 128;
inline constexpr std::uint64_t kAMapsPerFPMap = 496ull * 8 * 8;  // [2.2.2.7.6]
inline constexpr std::uint64_t kFPMapFirstSection = 8192;

// [2.2.2.7.7.1] BTPAGE
inline constexpr std::size_t kBtEntriesBytes = 488;
inline constexpr std::uint8_t kBtEntrySize = 24;   // BTENTRY, BBTENTRY
inline constexpr std::uint8_t kNbtEntrySize = 32;  // NBTENTRY
inline constexpr std::uint8_t kMaxBtLevels = 8;

// [2.2.2.8] blocks
inline constexpr std::size_t kBlockTrailerSize = 16;
inline constexpr std::size_t kMaxBlockSize = 8192;
inline constexpr std::size_t kMaxBlockData = kMaxBlockSize - kBlockTrailerSize;  // 8176
inline constexpr std::uint8_t kXBlockType = 0x01, kSlBlockType = 0x02;           // [2.2.2.8.3.2/3]
inline constexpr std::size_t kXBlockHeader = 8, kSlBlockHeader = 8;
inline constexpr std::size_t kSlEntrySize = 24, kSiEntrySize = 16;
inline constexpr std::uint64_t kBidInternal = 0x2;  // [2.2.2.2]

// [2.2.2.6] bCryptMethod
inline constexpr std::uint8_t kCryptNone = 0, kCryptPermute = 1, kCryptCyclic = 2;

inline constexpr std::size_t align64(std::size_t n) {
    return (n + 63) & ~std::size_t{63};
}
inline constexpr std::size_t blockSize(std::size_t cb) {
    return align64(cb + kBlockTrailerSize);
}

}  // namespace tolvane::pstcheck::fmt
