#pragma once

#include <compare>
#include <cstdint>

#include "pst/Hex.h"
#include "pst/PstError.h"

namespace tolvane::pst::ndb {

// NID types ([MS-PST] 2.2.2.1).
enum class NidType : std::uint8_t {
    Hid = 0x00,
    Internal = 0x01,
    NormalFolder = 0x02,
    SearchFolder = 0x03,
    NormalMessage = 0x04,
    Attachment = 0x05,
    SearchUpdateQueue = 0x06,
    SearchCriteriaObject = 0x07,
    AssocMessage = 0x08,
    ContentsTableIndex = 0x0A,
    ReceiveFolderTable = 0x0B,
    OutgoingQueueTable = 0x0C,
    HierarchyTable = 0x0D,
    ContentsTable = 0x0E,
    AssocContentsTable = 0x0F,
    SearchContentsTable = 0x10,
    AttachmentTable = 0x11,
    RecipientTable = 0x12,
    SearchTableIndex = 0x13,
    Ltp = 0x1F,
};

// Node id: 5 bits of type, 27 bits of index ([MS-PST] 2.2.2.1).
struct Nid {
    static constexpr std::uint32_t kMaxIndex = (1u << 27) - 1;
    std::uint32_t value = 0;

    // Throws PstError for an index of more than 27 bits rather than cutting it.
    static constexpr Nid make(NidType type, std::uint32_t index) {
        if (index > kMaxIndex) {
            throw PstError("NID index " + hex(index) + " of type " +
                           hex(static_cast<std::uint32_t>(type)) + " does not fit 27 bits");
        }
        return Nid{(index << 5) | static_cast<std::uint32_t>(type)};
    }
    constexpr NidType type() const { return static_cast<NidType>(value & 0x1F); }
    constexpr std::uint32_t index() const { return value >> 5; }
    friend constexpr auto operator<=>(const Nid&, const Nid&) = default;
};

// Block id ([MS-PST] 2.2.2.2): bit 1 marks an internal (XBLOCK, SLBLOCK, ...) block.
struct Bid {
    std::uint64_t value = 0;

    constexpr bool isInternal() const { return (value & 0x2) != 0; }
    constexpr bool isNull() const { return value == 0; }
    friend constexpr auto operator<=>(const Bid&, const Bid&) = default;
};

// Byte index of the file.
struct ByteIndex {
    std::uint64_t value = 0;
    friend constexpr auto operator<=>(const ByteIndex&, const ByteIndex&) = default;
};

// Well-known node ids ([MS-PST] 2.4.1).
namespace nid {
inline constexpr Nid kMessageStore{0x21};
inline constexpr Nid kNameToIdMap{0x61};
inline constexpr Nid kNormalFolderTemplate{0xA1};
inline constexpr Nid kSearchFolderTemplate{0xC1};
inline constexpr Nid kRootFolder{0x122};
inline constexpr Nid kSearchManagementQueue{0x1E1};
inline constexpr Nid kSearchActivityList{0x201};
inline constexpr Nid kSearchDomainObject{0x261};
inline constexpr Nid kSearchGathererQueue{0x281};
inline constexpr Nid kSearchGathererDescriptor{0x2A1};
inline constexpr Nid kHierarchyTableTemplate{0x60D};
inline constexpr Nid kContentsTableTemplate{0x60E};
inline constexpr Nid kAssocContentsTableTemplate{0x60F};
inline constexpr Nid kSearchContentsTableTemplate{0x610};
inline constexpr Nid kAttachmentTableTemplate{0x671};
inline constexpr Nid kRecipientTableTemplate{0x692};
}  // namespace nid

}  // namespace tolvane::pst::ndb
