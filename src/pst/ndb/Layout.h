#pragma once

// Where things sit in a Unicode PST: the fixed regions, the AMap sections and the map pages
// each section starts with ([MS-PST] 1.3.2, 2.2.2.7.2 to 2.2.2.7.6).

#include <cstdint>

namespace tolvane::pst::ndb::layout {

inline constexpr std::uint64_t kHeaderOffset = 0;
inline constexpr std::uint64_t kDListOffset = 0x4200;
inline constexpr std::uint64_t kFirstAMapOffset = 0x4400;
inline constexpr std::uint64_t kPageSize = 512;
inline constexpr std::uint64_t kSlotSize = 64;  // one AMap bit
inline constexpr std::uint64_t kSlotsPerSection = 496 * 8;
inline constexpr std::uint64_t kSectionSize = kSlotsPerSection * kSlotSize;  // 253,952
inline constexpr std::uint64_t kMaxBlockSize = 8192;
inline constexpr std::uint64_t kBlockTrailerSize = 16;

// Map pages inside a section, as offsets from the section's AMap. The FMap and FPMap places
// follow their coverage: the header's rgbFM covers the first 128 AMaps and rgbFP the first
// 8192; past that one FMap per 496 AMaps and one FPMap per 496 * 8 * 8 AMaps.
inline constexpr std::uint64_t kPMapInSection = 0x200;
inline constexpr std::uint64_t kFMapInSection = 0x400;
inline constexpr std::uint64_t kFPMapInSection = 0x600;
inline constexpr std::uint64_t kFirstFMapSection = 128;
inline constexpr std::uint64_t kSectionsPerFMap = 496;
inline constexpr std::uint64_t kFirstFPMapSection = 8192;
inline constexpr std::uint64_t kSectionsPerFPMap = 496 * 8 * 8;
inline constexpr std::uint64_t kSectionsPerPMap = 8;

constexpr std::uint64_t sectionStart(std::uint64_t k) {
    return kFirstAMapOffset + k * kSectionSize;
}
constexpr bool hasPMap(std::uint64_t k) {
    return k % kSectionsPerPMap == 0;
}
constexpr bool hasFMap(std::uint64_t k) {
    return k >= kFirstFMapSection && (k - kFirstFMapSection) % kSectionsPerFMap == 0;
}
constexpr bool hasFPMap(std::uint64_t k) {
    return k >= kFirstFPMapSection && (k - kFirstFPMapSection) % kSectionsPerFPMap == 0;
}

constexpr std::uint64_t alignUp(std::uint64_t v, std::uint64_t a) {
    return (v + a - 1) / a * a;
}
// Bytes a block of cb data bytes takes on disk: data, padding and trailer ([MS-PST] 2.2.2.8).
constexpr std::uint64_t blockSpan(std::uint64_t cb) {
    return alignUp(cb + kBlockTrailerSize, kSlotSize);
}

}  // namespace tolvane::pst::ndb::layout
