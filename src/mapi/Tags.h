#pragma once

#include <cstdint>

// Property ids used across the program (MS-OXPROPS). The type goes with the value.
namespace tolvane::mapi::tag {

inline constexpr std::uint16_t kMessageClass = 0x001A;             // Unicode
inline constexpr std::uint16_t kSubject = 0x0037;                  // Unicode
inline constexpr std::uint16_t kClientSubmitTime = 0x0039;         // SysTime
inline constexpr std::uint16_t kSentRepresentingName = 0x0042;     // Unicode
inline constexpr std::uint16_t kMessageDeliveryTime = 0x0E06;      // SysTime
inline constexpr std::uint16_t kMessageFlags = 0x0E07;             // Int32
inline constexpr std::uint16_t kMessageSize = 0x0E08;              // Int32
inline constexpr std::uint16_t kHasAttachments = 0x0E1B;           // Boolean
inline constexpr std::uint16_t kRecipientType = 0x0C15;            // Int32
inline constexpr std::uint16_t kSenderName = 0x0C1A;               // Unicode
inline constexpr std::uint16_t kSenderEmailAddress = 0x0C1F;       // Unicode
inline constexpr std::uint16_t kDisplayName = 0x3001;              // Unicode
inline constexpr std::uint16_t kAddressType = 0x3002;              // Unicode
inline constexpr std::uint16_t kEmailAddress = 0x3003;             // Unicode
inline constexpr std::uint16_t kBody = 0x1000;                     // Unicode
inline constexpr std::uint16_t kHtml = 0x1013;                     // Binary
inline constexpr std::uint16_t kAttachDataBinary = 0x3701;         // Binary (or stream)
inline constexpr std::uint16_t kAttachDataObject = 0x3701;         // Object, for method 5
inline constexpr std::uint16_t kAttachFilename = 0x3704;           // Unicode
inline constexpr std::uint16_t kAttachMethod = 0x3705;             // Int32
inline constexpr std::uint16_t kAttachLongFilename = 0x3707;       // Unicode
inline constexpr std::uint16_t kAttachMimeTag = 0x370E;            // Unicode
inline constexpr std::uint16_t kAttachContentId = 0x3712;          // Unicode
inline constexpr std::uint16_t kAttachSize = 0x0E20;               // Int32
inline constexpr std::uint16_t kCreationTime = 0x3007;             // SysTime
inline constexpr std::uint16_t kLastModificationTime = 0x3008;     // SysTime
inline constexpr std::uint16_t kTransportMessageHeaders = 0x007D;  // Unicode

// PidTagMessageFlags bits (MS-OXCMSG 2.2.1.6).
inline constexpr std::int32_t kMsgFlagRead = 0x01;
inline constexpr std::int32_t kMsgFlagUnsent = 0x08;
inline constexpr std::int32_t kMsgFlagHasAttach = 0x10;

// PidTagAttachMethod values.
inline constexpr std::int32_t kAttachByValue = 1;
inline constexpr std::int32_t kAttachEmbeddedMessage = 5;

}  // namespace tolvane::mapi::tag
