#pragma once

#include <cstdint>

// Property ids the import writes beyond the shared mapi/Tags.h (MS-OXPROPS). The type goes
// with the value.
namespace tolvane::mime::pid {

inline constexpr std::uint16_t kImportance = 0x0017;                         // Int32
inline constexpr std::uint16_t kOriginatorDeliveryReportRequested = 0x0023;  // Boolean
inline constexpr std::uint16_t kReadReceiptRequested = 0x0029;               // Boolean
inline constexpr std::uint16_t kSensitivity = 0x0036;                        // Int32
inline constexpr std::uint16_t kSubjectPrefix = 0x003D;                      // Unicode
inline constexpr std::uint16_t kSentRepresentingSearchKey = 0x003B;          // Binary
inline constexpr std::uint16_t kSentRepresentingEntryId = 0x0041;            // Binary
inline constexpr std::uint16_t kReadReceiptEntryId = 0x0046;                 // Binary
inline constexpr std::uint16_t kReplyRecipientEntries = 0x004F;              // Binary
inline constexpr std::uint16_t kReplyRecipientNames = 0x0050;                // Unicode
inline constexpr std::uint16_t kReadReceiptSearchKey = 0x0053;               // Binary
inline constexpr std::uint16_t kSentRepresentingAddressType = 0x0064;        // Unicode
inline constexpr std::uint16_t kSentRepresentingEmailAddress = 0x0065;       // Unicode
inline constexpr std::uint16_t kConversationTopic = 0x0070;                  // Unicode
inline constexpr std::uint16_t kConversationIndex = 0x0071;                  // Binary
inline constexpr std::uint16_t kSenderEntryId = 0x0C19;                      // Binary
inline constexpr std::uint16_t kSenderAddressType = 0x0C1E;                  // Unicode
inline constexpr std::uint16_t kSenderSearchKey = 0x0C1D;                    // Binary
inline constexpr std::uint16_t kDisplayBcc = 0x0E02;                         // Unicode
inline constexpr std::uint16_t kDisplayCc = 0x0E03;                          // Unicode
inline constexpr std::uint16_t kDisplayTo = 0x0E04;                          // Unicode
inline constexpr std::uint16_t kNormalizedSubject = 0x0E1D;                  // Unicode
inline constexpr std::uint16_t kAttachNumber = 0x0E21;                       // Int32
inline constexpr std::uint16_t kToDoItemFlags = 0x0E2B;                      // Int32
inline constexpr std::uint16_t kRecordKey = 0x0FF9;                          // Binary
inline constexpr std::uint16_t kObjectType = 0x0FFE;                         // Int32
inline constexpr std::uint16_t kEntryId = 0x0FFF;                            // Binary
inline constexpr std::uint16_t kNativeBody = 0x1016;                         // Int32
inline constexpr std::uint16_t kInternetMessageId = 0x1035;                  // Unicode
inline constexpr std::uint16_t kInternetReferences = 0x1039;                 // Unicode
inline constexpr std::uint16_t kInReplyToId = 0x1042;                        // Unicode
inline constexpr std::uint16_t kListHelp = 0x1043;                           // Unicode
inline constexpr std::uint16_t kListSubscribe = 0x1044;                      // Unicode
inline constexpr std::uint16_t kListUnsubscribe = 0x1045;                    // Unicode
inline constexpr std::uint16_t kFlagStatus = 0x1090;                         // Int32
inline constexpr std::uint16_t kRowid = 0x3000;                              // Int32
inline constexpr std::uint16_t kSearchKey = 0x300B;                          // Binary
inline constexpr std::uint16_t kAttachExtension = 0x3703;                    // Unicode
inline constexpr std::uint16_t kRenderingPosition = 0x370B;                  // Int32
inline constexpr std::uint16_t kAttachContentBase = 0x3711;                  // Unicode
inline constexpr std::uint16_t kAttachContentLocation = 0x3713;              // Unicode
inline constexpr std::uint16_t kAttachFlags = 0x3714;                        // Int32
inline constexpr std::uint16_t kDisplayType = 0x3900;                        // Int32
inline constexpr std::uint16_t kSmtpAddress = 0x39FE;                        // Unicode
inline constexpr std::uint16_t kSendRichInfo = 0x3A40;                       // Boolean
inline constexpr std::uint16_t kInternetCodepage = 0x3FDE;                   // Int32
inline constexpr std::uint16_t kMessageLocaleId = 0x3FF1;                    // Int32
inline constexpr std::uint16_t kReadReceiptAddressType = 0x4029;             // Unicode
inline constexpr std::uint16_t kReadReceiptEmailAddress = 0x402A;            // Unicode
inline constexpr std::uint16_t kReadReceiptName = 0x402B;                    // Unicode
inline constexpr std::uint16_t kSenderSmtpAddress = 0x5D01;                  // Unicode
inline constexpr std::uint16_t kSentRepresentingSmtpAddress = 0x5D02;        // Unicode
inline constexpr std::uint16_t kAttachmentHidden = 0x7FFE;                   // Boolean

// Numeric named properties (LIDs).
inline constexpr std::uint32_t kLidSmartNoAttach = 0x8514;    // PSETID_Common, Boolean
inline constexpr std::uint32_t kLidFlagRequest = 0x8530;      // PSETID_Common, Unicode
inline constexpr std::uint32_t kLidToDoTitle = 0x85A4;        // PSETID_Common, Unicode
inline constexpr std::uint32_t kLidTaskStatus = 0x8101;       // PSETID_Task, Int32
inline constexpr std::uint32_t kLidPercentComplete = 0x8102;  // PSETID_Task, Double
inline constexpr std::uint32_t kLidTaskComplete = 0x811C;     // PSETID_Task, Boolean

}  // namespace tolvane::mime::pid
