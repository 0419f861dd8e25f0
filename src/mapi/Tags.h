#pragma once

// Every property the program reads or writes, with its type (MS-OXPROPS): the one table of
// tags. Code names a property only through these.

#include <cstdint>

#include "mapi/PropTag.h"
#include "mapi/PropertyList.h"

namespace tolvane::mapi::tag {

using enum PropType;

// Message envelope and identity.
inline constexpr PropTag kImportance{0x0017, Int32};
inline constexpr PropTag kMessageClass{0x001A, Unicode};
inline constexpr PropTag kOriginatorDeliveryReportRequested{0x0023, Boolean};
inline constexpr PropTag kPriority{0x0026, Int32};
inline constexpr PropTag kReadReceiptRequested{0x0029, Boolean};
inline constexpr PropTag kSensitivity{0x0036, Int32};
inline constexpr PropTag kSubject{0x0037, Unicode};
inline constexpr PropTag kClientSubmitTime{0x0039, SysTime};
inline constexpr PropTag kSubjectPrefix{0x003D, Unicode};
inline constexpr PropTag kConversationTopic{0x0070, Unicode};
inline constexpr PropTag kConversationIndex{0x0071, Binary};
inline constexpr PropTag kTransportMessageHeaders{0x007D, Unicode};
inline constexpr PropTag kNormalizedSubject{0x0E1D, Unicode};
inline constexpr PropTag kMessageToMe{0x0057, Boolean};
inline constexpr PropTag kMessageCcMe{0x0058, Boolean};
inline constexpr PropTag kMessageRecipientMe{0x0059, Boolean};
inline constexpr PropTag kInternetMessageId{0x1035, Unicode};
inline constexpr PropTag kInternetReferences{0x1039, Unicode};
inline constexpr PropTag kInReplyToId{0x1042, Unicode};
inline constexpr PropTag kListHelp{0x1043, Unicode};
inline constexpr PropTag kListSubscribe{0x1044, Unicode};
inline constexpr PropTag kListUnsubscribe{0x1045, Unicode};
inline constexpr PropTag kConversationIndexTracking{0x3016, Boolean};
inline constexpr PropTag kInternetCodepage{0x3FDE, Int32};
inline constexpr PropTag kMessageLocaleId{0x3FF1, Int32};
inline constexpr PropTag kMessageCodepage{0x3FFD, Int32};

// Columns a store keeps for its own views of messages ([MS-PST] 2.4.4.5.1, 2.4.8.6.2.1).
inline constexpr PropTag kExpiryTime{0x0015, SysTime};
inline constexpr PropTag kReplyTime{0x0030, SysTime};
inline constexpr PropTag kParentDisplay{0x0E05, Unicode};
inline constexpr PropTag kSpoolerStatus{0x0E10, Int32};
inline constexpr PropTag kSubmitFlags{0x0E14, Int32};
inline constexpr PropTag kIconIndex{0x1080, Int32};
inline constexpr PropTag kLastVerbExecuted{0x1081, Int32};
inline constexpr PropTag kLastVerbExecutionTime{0x1082, SysTime};
inline constexpr PropTag kFollowupIcon{0x1095, Int32};
inline constexpr PropTag kItemTemporaryFlags{0x1097, Int32};
inline constexpr PropTag kConversationId{0x3013, Binary};
inline constexpr PropTag kSecureSubmitFlags{0x65C6, Int32};
inline constexpr PropTag kPstBodyPrefix{0x6619, Unicode};

// Replication: Outlook's tables hold the item id as binary, not as MS-OXPROPS's Int32.
inline constexpr PropTag kReplItemid{0x0E30, Binary};
inline constexpr PropTag kReplChangenum{0x0E33, Int64};
inline constexpr PropTag kReplVersionhistory{0x0E34, Binary};
inline constexpr PropTag kReplFlags{0x0E38, Int32};
inline constexpr PropTag kReplCopiedfromVersionhistory{0x0E3C, Binary};
inline constexpr PropTag kReplCopiedfromItemid{0x0E3D, Binary};

// The message store object ([MS-PST] 2.4.3.1).
inline constexpr PropTag kValidFolderMask{0x35DF, Int32};
inline constexpr PropTag kIpmSubtreeEntryId{0x35E0, Binary};
inline constexpr PropTag kIpmOutboxEntryId{0x35E2, Binary};
inline constexpr PropTag kIpmWastebasketEntryId{0x35E3, Binary};
inline constexpr PropTag kIpmSentMailEntryId{0x35E4, Binary};
inline constexpr PropTag kCommonViewsEntryId{0x35E6, Binary};
inline constexpr PropTag kFinderEntryId{0x35E7, Binary};
inline constexpr PropTag kPstLrNoRestrictions{0x6633, Boolean};
inline constexpr PropTag kLatestPstEnsure{0x66FA, Int32};
inline constexpr PropTag kPstPassword{0x67FF, Int32};

// Folders ([MS-PST] 2.4.4.1, 2.4.4.4.1).
inline constexpr PropTag kAttributeHidden{0x10F4, Boolean};
inline constexpr PropTag kComment{0x3004, Unicode};
inline constexpr PropTag kContentCount{0x3602, Int32};
inline constexpr PropTag kContentUnreadCount{0x3603, Int32};
inline constexpr PropTag kSubfolders{0x360A, Boolean};
inline constexpr PropTag kContainerClass{0x3613, Unicode};
inline constexpr PropTag kExtendedFolderFlags{0x36DA, Binary};
// Special folders Outlook finds through the root folder and the Inbox (MS-OXOSFLD 2.2).
inline constexpr PropTag kIpmAppointmentEntryId{0x36D0, Binary};
inline constexpr PropTag kIpmContactEntryId{0x36D1, Binary};
inline constexpr PropTag kIpmJournalEntryId{0x36D2, Binary};
inline constexpr PropTag kIpmNoteEntryId{0x36D3, Binary};
inline constexpr PropTag kIpmTaskEntryId{0x36D4, Binary};
inline constexpr PropTag kIpmDraftsEntryId{0x36D7, Binary};
inline constexpr PropTag kAdditionalRenEntryIds{0x36D8, MvBinary};
inline constexpr PropTag kPstHiddenCount{0x6635, Int32};
inline constexpr PropTag kPstHiddenUnread{0x6636, Int32};
inline constexpr PropTag kLongTermEntryIdFromTable{0x6670, Binary};

// Table rows ([MS-PST] 2.3.4.4.1, 2.4.8.6.2.1).
inline constexpr PropTag kLtpParentNid{0x67F1, Int32};
inline constexpr PropTag kLtpRowId{0x67F2, Int32};
inline constexpr PropTag kLtpRowVer{0x67F3, Int32};

// Folder-associated messages: views, forms, search folders and shortcuts (MS-OXOCFG,
// MS-OXOSRCH). Ids 0x6800-0x7BFF mean what the message class says; the names are MS-OXPROPS's.
inline constexpr PropTag kOfflineAddressBookName{0x6800, Unicode};
inline constexpr PropTag kSendOutlookRecallReport{0x6803, Boolean};
inline constexpr PropTag kOfflineAddressBookTruncatedProperties{0x6805, MvInt32};
inline constexpr PropTag kMapiFormComposeCommand{0x682F, Unicode};
inline constexpr PropTag kSearchFolderLastUsed{0x6834, Int32};
inline constexpr PropTag kSearchFolderExpiration{0x683A, Int32};
inline constexpr PropTag kSearchFolderTemplateId{0x6841, Int32};
inline constexpr PropTag kSearchFolderId{0x6842, Binary};
inline constexpr PropTag kSearchFolderStorageType{0x6846, Int32};
inline constexpr PropTag kSearchFolderTag{0x6847, Int32};
inline constexpr PropTag kSearchFolderEfpFlags{0x6848, Int32};
inline constexpr PropTag kWlinkCalendarColor{0x6853, Int32};
inline constexpr PropTag kViewDescriptorFlags{0x7003, Int32};
inline constexpr PropTag kViewDescriptorLinkTo{0x7004, Binary};
inline constexpr PropTag kViewDescriptorViewFolder{0x7005, Binary};
inline constexpr PropTag kViewDescriptorName{0x7006, Unicode};
inline constexpr PropTag kViewDescriptorVersion{0x7007, Int32};
inline constexpr PropTag kRoamingDatatypes{0x7C06, Int32};

// Originator groups (MS-OXOMSG 2.2.1): who sent it, on whose behalf, who received it.
inline constexpr PropTag kReceivedByEntryId{0x003F, Binary};
inline constexpr PropTag kReceivedByName{0x0040, Unicode};
inline constexpr PropTag kSentRepresentingSearchKey{0x003B, Binary};
inline constexpr PropTag kSentRepresentingEntryId{0x0041, Binary};
inline constexpr PropTag kSentRepresentingName{0x0042, Unicode};
inline constexpr PropTag kReceivedRepresentingEntryId{0x0043, Binary};
inline constexpr PropTag kReceivedRepresentingName{0x0044, Unicode};
inline constexpr PropTag kReceivedBySearchKey{0x0051, Binary};
inline constexpr PropTag kReceivedRepresentingSearchKey{0x0052, Binary};
inline constexpr PropTag kSentRepresentingAddressType{0x0064, Unicode};
inline constexpr PropTag kSentRepresentingEmailAddress{0x0065, Unicode};
inline constexpr PropTag kReceivedByAddressType{0x0075, Unicode};
inline constexpr PropTag kReceivedByEmailAddress{0x0076, Unicode};
inline constexpr PropTag kReceivedRepresentingAddressType{0x0077, Unicode};
inline constexpr PropTag kReceivedRepresentingEmailAddress{0x0078, Unicode};
inline constexpr PropTag kSenderEntryId{0x0C19, Binary};
inline constexpr PropTag kSenderName{0x0C1A, Unicode};
inline constexpr PropTag kSenderSearchKey{0x0C1D, Binary};
inline constexpr PropTag kSenderAddressType{0x0C1E, Unicode};
inline constexpr PropTag kSenderEmailAddress{0x0C1F, Unicode};
inline constexpr PropTag kSenderSmtpAddress{0x5D01, Unicode};
inline constexpr PropTag kSentRepresentingSmtpAddress{0x5D02, Unicode};
inline constexpr PropTag kReceivedBySmtpAddress{0x5D07, Unicode};
inline constexpr PropTag kReceivedRepresentingSmtpAddress{0x5D08, Unicode};

// Reply recipients and receipts.
inline constexpr PropTag kReadReceiptEntryId{0x0046, Binary};
inline constexpr PropTag kReplyRecipientEntries{0x004F, Binary};
inline constexpr PropTag kReplyRecipientNames{0x0050, Unicode};
inline constexpr PropTag kReadReceiptSearchKey{0x0053, Binary};
inline constexpr PropTag kNonReceiptNotificationRequested{0x0C06, Boolean};
inline constexpr PropTag kReadReceiptAddressType{0x4029, Unicode};
inline constexpr PropTag kReadReceiptEmailAddress{0x402A, Unicode};
inline constexpr PropTag kReadReceiptName{0x402B, Unicode};

// What a store keeps for every message (MS-OXCMSG 2.2.1).
inline constexpr PropTag kDisplayBcc{0x0E02, Unicode};
inline constexpr PropTag kDisplayCc{0x0E03, Unicode};
inline constexpr PropTag kDisplayTo{0x0E04, Unicode};
inline constexpr PropTag kMessageDeliveryTime{0x0E06, SysTime};
inline constexpr PropTag kMessageFlags{0x0E07, Int32};
inline constexpr PropTag kMessageSize{0x0E08, Int32};
inline constexpr PropTag kMessageStatus{0x0E17, Int32};
inline constexpr PropTag kHasAttachments{0x0E1B, Boolean};
inline constexpr PropTag kToDoItemFlags{0x0E2B, Int32};
inline constexpr PropTag kRecordKey{0x0FF9, Binary};
inline constexpr PropTag kObjectType{0x0FFE, Int32};
inline constexpr PropTag kEntryId{0x0FFF, Binary};
inline constexpr PropTag kFlagStatus{0x1090, Int32};
inline constexpr PropTag kCreationTime{0x3007, SysTime};
inline constexpr PropTag kLastModificationTime{0x3008, SysTime};
inline constexpr PropTag kSearchKey{0x300B, Binary};

// Bodies (MS-OXCMSG 2.2.1.48, 2.2.1.58).
inline constexpr PropTag kBody{0x1000, Unicode};
inline constexpr PropTag kHtml{0x1013, Binary};
inline constexpr PropTag kNativeBody{0x1016, Int32};

// Recipient rows (MS-OXOMSG 2.2.3, MS-OXCMSG 2.2.1.45).
inline constexpr PropTag kRecipientType{0x0C15, Int32};
inline constexpr PropTag kResponsibility{0x0E0F, Boolean};
inline constexpr PropTag kDisplayName{0x3001, Unicode};
inline constexpr PropTag kAddressType{0x3002, Unicode};
inline constexpr PropTag kEmailAddress{0x3003, Unicode};
inline constexpr PropTag kDisplayType{0x3900, Int32};
inline constexpr PropTag kSmtpAddress{0x39FE, Unicode};
inline constexpr PropTag kAddressBookDisplayNamePrintable{0x39FF, Unicode};
inline constexpr PropTag kTransmittableDisplayName{0x3A20, Unicode};
inline constexpr PropTag kSendRichInfo{0x3A40, Boolean};
inline constexpr PropTag kRecipientEntryId{0x5FF7, Binary};
inline constexpr PropTag kRecipientFlags{0x5FFD, Int32};

// Attachments (MS-OXCMSG 2.2.2).
inline constexpr PropTag kAttachSize{0x0E20, Int32};
inline constexpr PropTag kAttachNumber{0x0E21, Int32};
inline constexpr PropTag kAttachDataBinary{0x3701, Binary};  // in memory or a stream
inline constexpr PropTag kAttachDataObject{0x3701, Object};  // an embedded message, method 5
inline constexpr PropTag kAttachExtension{0x3703, Unicode};
inline constexpr PropTag kAttachFilename{0x3704, Unicode};
inline constexpr PropTag kAttachMethod{0x3705, Int32};
inline constexpr PropTag kAttachLongFilename{0x3707, Unicode};
inline constexpr PropTag kRenderingPosition{0x370B, Int32};
inline constexpr PropTag kAttachMimeTag{0x370E, Unicode};
inline constexpr PropTag kAttachContentBase{0x3711, Unicode};
inline constexpr PropTag kAttachContentId{0x3712, Unicode};
inline constexpr PropTag kAttachContentLocation{0x3713, Unicode};
inline constexpr PropTag kAttachFlags{0x3714, Int32};
inline constexpr PropTag kAttachmentLinkId{0x7FFA, Int32};
inline constexpr PropTag kExceptionStartTime{0x7FFB, SysTime};
inline constexpr PropTag kExceptionEndTime{0x7FFC, SysTime};
inline constexpr PropTag kAttachmentFlags{0x7FFD, Int32};
inline constexpr PropTag kAttachmentHidden{0x7FFE, Boolean};
inline constexpr PropTag kAttachmentContactPhoto{0x7FFF, Boolean};

// Contacts (MS-OXOCNTC 2.2.1): names, phones, company, addresses, dates and web pages.
// The ids were checked against MS-OXPROPS and against an Outlook-made contact
// (tests/data/pst-samples/javalibpst-dist-list.pst).
inline constexpr PropTag kCallbackTelephoneNumber{0x3A02, Unicode};
inline constexpr PropTag kGeneration{0x3A05, Unicode};
inline constexpr PropTag kGivenName{0x3A06, Unicode};
inline constexpr PropTag kBusinessTelephoneNumber{0x3A08, Unicode};
inline constexpr PropTag kHomeTelephoneNumber{0x3A09, Unicode};
inline constexpr PropTag kInitials{0x3A0A, Unicode};
inline constexpr PropTag kSurname{0x3A11, Unicode};
inline constexpr PropTag kPostalAddress{0x3A15, Unicode};
inline constexpr PropTag kCompanyName{0x3A16, Unicode};
inline constexpr PropTag kTitle{0x3A17, Unicode};
inline constexpr PropTag kDepartmentName{0x3A18, Unicode};
inline constexpr PropTag kOfficeLocation{0x3A19, Unicode};
inline constexpr PropTag kBusiness2TelephoneNumber{0x3A1B, Unicode};
inline constexpr PropTag kMobileTelephoneNumber{0x3A1C, Unicode};
inline constexpr PropTag kCarTelephoneNumber{0x3A1E, Unicode};
inline constexpr PropTag kOtherTelephoneNumber{0x3A1F, Unicode};
inline constexpr PropTag kPagerTelephoneNumber{0x3A21, Unicode};
inline constexpr PropTag kPrimaryFaxNumber{0x3A23, Unicode};  // Outlook's "Other Fax"
inline constexpr PropTag kBusinessFaxNumber{0x3A24, Unicode};
inline constexpr PropTag kHomeFaxNumber{0x3A25, Unicode};
// The mailing address: a copy of the home, work or other address PidLidPostalAddressId names.
inline constexpr PropTag kCountry{0x3A26, Unicode};
inline constexpr PropTag kLocality{0x3A27, Unicode};
inline constexpr PropTag kStateOrProvince{0x3A28, Unicode};
inline constexpr PropTag kStreetAddress{0x3A29, Unicode};
inline constexpr PropTag kPostalCode{0x3A2A, Unicode};
inline constexpr PropTag kAssistantTelephoneNumber{0x3A2E, Unicode};
inline constexpr PropTag kHome2TelephoneNumber{0x3A2F, Unicode};
inline constexpr PropTag kAssistant{0x3A30, Unicode};
inline constexpr PropTag kWeddingAnniversary{0x3A41, SysTime};
inline constexpr PropTag kBirthday{0x3A42, SysTime};
inline constexpr PropTag kMiddleName{0x3A44, Unicode};
inline constexpr PropTag kDisplayNamePrefix{0x3A45, Unicode};
inline constexpr PropTag kProfession{0x3A46, Unicode};
inline constexpr PropTag kManagerName{0x3A4E, Unicode};
inline constexpr PropTag kNickname{0x3A4F, Unicode};
inline constexpr PropTag kPersonalHomePage{0x3A50, Unicode};
inline constexpr PropTag kBusinessHomePage{0x3A51, Unicode};
inline constexpr PropTag kCompanyMainTelephoneNumber{0x3A57, Unicode};
inline constexpr PropTag kHomeAddressCity{0x3A59, Unicode};
inline constexpr PropTag kHomeAddressCountry{0x3A5A, Unicode};
inline constexpr PropTag kHomeAddressPostalCode{0x3A5B, Unicode};
inline constexpr PropTag kHomeAddressStateOrProvince{0x3A5C, Unicode};
inline constexpr PropTag kHomeAddressStreet{0x3A5D, Unicode};
inline constexpr PropTag kOtherAddressCity{0x3A5F, Unicode};
inline constexpr PropTag kOtherAddressCountry{0x3A60, Unicode};
inline constexpr PropTag kOtherAddressPostalCode{0x3A61, Unicode};
inline constexpr PropTag kOtherAddressStateOrProvince{0x3A62, Unicode};
inline constexpr PropTag kOtherAddressStreet{0x3A63, Unicode};

// Calendar and task items (MS-OXOCAL 2.2.1, 2.2.10; MS-OXOTASK 2.2.2).
inline constexpr PropTag kStartDate{0x0060, SysTime};
inline constexpr PropTag kEndDate{0x0061, SysTime};
inline constexpr PropTag kOwnerAppointmentId{0x0062, Int32};
inline constexpr PropTag kResponseRequested{0x0063, Boolean};
inline constexpr PropTag kAttachEncoding{0x3702, Binary};
inline constexpr PropTag kExceptionReplaceTime{0x7FF9, SysTime};
inline constexpr PropTag kRecipientTrackStatus{0x5FFF, Int32};

// The name-to-id map's own properties ([MS-PST] 2.4.7).
inline constexpr PropTag kNameidBucketCount{0x0001, Int32};
inline constexpr PropTag kNameidStreamGuid{0x0002, Binary};
inline constexpr PropTag kNameidStreamEntry{0x0003, Binary};
inline constexpr PropTag kNameidStreamString{0x0004, Binary};
inline constexpr std::uint16_t kNameidBucketBase = 0x1000;  // bucket n is id 0x1000 + n

// PidTagMessageFlags bits (MS-OXCMSG 2.2.1.6).
inline constexpr std::int32_t kMsgFlagRead = 0x01;
inline constexpr std::int32_t kMsgFlagUnsent = 0x08;
inline constexpr std::int32_t kMsgFlagHasAttach = 0x10;
inline constexpr std::int32_t kMsgFlagEverRead = 0x400;

// PidTagAttachMethod values.
inline constexpr std::int32_t kAttachByValue = 1;
inline constexpr std::int32_t kAttachEmbeddedMessage = 5;

// Columns and properties Outlook's new store carries that MS-OXPROPS does not name.
namespace outlook {

// Its receive folder table maps a message class to the NID of the folder receiving it.
inline constexpr PropTag kReceiveFolderNid{0x6605, Int32};
// Values Outlook sets on the spam search criteria node and on the store.
inline constexpr PropTag kProperty660B{0x660B, Int32};
inline constexpr PropTag kProperty66FC{0x66FC, Int32};

// Columns Outlook's table templates and special folders' tables carry, named by id.
inline constexpr PropTag kColumn0E2A{0x0E2A, Boolean};
inline constexpr PropTag kColumn0E31{0x0E31, Binary};
inline constexpr PropTag kColumn0E37{0x0E37, Binary};
inline constexpr PropTag kColumn0E3E{0x0E3E, Binary};
inline constexpr PropTag kColumn0EA2{0x0EA2, Int32};
inline constexpr PropTag kColumn3020{0x3020, Binary};
inline constexpr PropTag kColumn3021{0x3021, Binary};
inline constexpr PropTag kColumn36DE{0x36DE, Int32};
inline constexpr PropTag kColumn672D{0x672D, Int32};
inline constexpr PropTag kColumn6730{0x6730, Int64};
inline constexpr PropTag kColumn6731{0x6731, Int32};
inline constexpr PropTag kColumn6732{0x6732, Unicode};
inline constexpr PropTag kColumn6733{0x6733, Unicode};
inline constexpr PropTag kColumn6843{0x6843, Binary};
inline constexpr PropTag kColumn685D{0x685D, Int32};
inline constexpr PropTag kColumn6E01{0x6E01, Int32};

// The ids 0x8010-0x8022 that Outlook's new store gives named properties through its
// name-to-id map (NameToIdMap.cpp holds the order), each after the property it maps to;
// the PSETID_Common LIDs that MS-OXPROPS does not name keep their LID.
inline constexpr PropTag kSideEffects{0x8010, Int32};
inline constexpr PropTag kCommonLid8578{0x8011, Int32};
inline constexpr PropTag kIsMentioned{0x8012, Boolean};
inline constexpr PropTag kKeywords{0x8013, MvUnicode};
inline constexpr PropTag kRemoteTransferSize{0x8014, Int32};
inline constexpr PropTag kSmartNoAttach{0x8015, Boolean};
inline constexpr PropTag kRemoteAttachment{0x8016, Boolean};
inline constexpr PropTag kReminderSet{0x8017, Boolean};
inline constexpr PropTag kCommonLid85A8{0x8018, Binary};
inline constexpr PropTag kReminderTime{0x8019, SysTime};
inline constexpr PropTag kTaskStartDate{0x801A, SysTime};
inline constexpr PropTag kTaskDueDate{0x801B, SysTime};
inline constexpr PropTag kTaskComplete{0x801C, Boolean};
inline constexpr PropTag kAuthenticatedDomain{0x801D, Unicode};
inline constexpr PropTag kDoNotForward{0x801E, Boolean};
inline constexpr PropTag kCommonLid8570{0x801F, Int32};
inline constexpr PropTag kTaskStatus{0x8020, Int32};
inline constexpr PropTag kCommonLid85E0{0x8021, Int32};
inline constexpr PropTag kCurrentVersion{0x8022, Int32};

}  // namespace outlook

}  // namespace tolvane::mapi::tag

// Named properties (MS-OXPROPS 2.1-2.436 for the LIDs, 2.437 on for the string names).
namespace tolvane::mapi::named {

using enum PropType;

inline constexpr NamedTag kReminderDelta{propset::common(), 0x8501, {}, Int32};
inline constexpr NamedTag kReminderTime{propset::common(), 0x8502, {}, SysTime};
inline constexpr NamedTag kReminderSet{propset::common(), 0x8503, {}, Boolean};
inline constexpr NamedTag kPrivate{propset::common(), 0x8506, {}, Boolean};
inline constexpr NamedTag kAgingDontAgeMe{propset::common(), 0x850E, {}, Boolean};
inline constexpr NamedTag kSideEffects{propset::common(), 0x8510, {}, Int32};
inline constexpr NamedTag kSmartNoAttach{propset::common(), 0x8514, {}, Boolean};
inline constexpr NamedTag kTaskMode{propset::common(), 0x8518, {}, Int32};
inline constexpr NamedTag kFlagRequest{propset::common(), 0x8530, {}, Unicode};
inline constexpr NamedTag kCurrentVersion{propset::common(), 0x8552, {}, Int32};
inline constexpr NamedTag kInternetAccountName{propset::common(), 0x8580, {}, Unicode};
inline constexpr NamedTag kInternetAccountStamp{propset::common(), 0x8581, {}, Unicode};
inline constexpr NamedTag kUseTnef{propset::common(), 0x8582, {}, Boolean};
inline constexpr NamedTag kToDoOrdinalDate{propset::common(), 0x85A0, {}, SysTime};
inline constexpr NamedTag kToDoSubOrdinal{propset::common(), 0x85A1, {}, Unicode};
inline constexpr NamedTag kToDoTitle{propset::common(), 0x85A4, {}, Unicode};
inline constexpr NamedTag kTaskStatus{propset::task(), 0x8101, {}, Int32};
inline constexpr NamedTag kPercentComplete{propset::task(), 0x8102, {}, Double};
inline constexpr NamedTag kTaskStartDate{propset::task(), 0x8104, {}, SysTime};
inline constexpr NamedTag kTaskDueDate{propset::task(), 0x8105, {}, SysTime};
inline constexpr NamedTag kTaskComplete{propset::task(), 0x811C, {}, Boolean};
inline constexpr NamedTag kKeywords{propset::publicStrings(), {}, "Keywords", MvUnicode};

// Calendar items (MS-OXOCAL 2.2.1, 2.2.10; LIDs from MS-OXPROPS).
inline constexpr NamedTag kAppointmentSequence{propset::appointment(), 0x8201, {}, Int32};
inline constexpr NamedTag kBusyStatus{propset::appointment(), 0x8205, {}, Int32};
inline constexpr NamedTag kFExceptionalBody{propset::appointment(), 0x8206, {}, Boolean};
inline constexpr NamedTag kLocation{propset::appointment(), 0x8208, {}, Unicode};
inline constexpr NamedTag kAppointmentStartWhole{propset::appointment(), 0x820D, {}, SysTime};
inline constexpr NamedTag kAppointmentEndWhole{propset::appointment(), 0x820E, {}, SysTime};
inline constexpr NamedTag kAppointmentDuration{propset::appointment(), 0x8213, {}, Int32};
inline constexpr NamedTag kAppointmentSubType{propset::appointment(), 0x8215, {}, Boolean};
inline constexpr NamedTag kAppointmentRecur{propset::appointment(), 0x8216, {}, Binary};
inline constexpr NamedTag kAppointmentStateFlags{propset::appointment(), 0x8217, {}, Int32};
inline constexpr NamedTag kResponseStatus{propset::appointment(), 0x8218, {}, Int32};
inline constexpr NamedTag kRecurring{propset::appointment(), 0x8223, {}, Boolean};
inline constexpr NamedTag kIntendedBusyStatus{propset::appointment(), 0x8224, {}, Int32};
inline constexpr NamedTag kExceptionReplaceTime{propset::appointment(), 0x8228, {}, SysTime};
inline constexpr NamedTag kFInvited{propset::appointment(), 0x8229, {}, Boolean};
inline constexpr NamedTag kRecurrenceType{propset::appointment(), 0x8231, {}, Int32};
inline constexpr NamedTag kRecurrencePattern{propset::appointment(), 0x8232, {}, Unicode};
inline constexpr NamedTag kTimeZoneStruct{propset::appointment(), 0x8233, {}, Binary};
inline constexpr NamedTag kTimeZoneDescription{propset::appointment(), 0x8234, {}, Unicode};
inline constexpr NamedTag kClipStart{propset::appointment(), 0x8235, {}, SysTime};
inline constexpr NamedTag kClipEnd{propset::appointment(), 0x8236, {}, SysTime};
inline constexpr NamedTag kAllAttendeesString{propset::appointment(), 0x8238, {}, Unicode};
inline constexpr NamedTag kToAttendeesString{propset::appointment(), 0x823B, {}, Unicode};
inline constexpr NamedTag kCcAttendeesString{propset::appointment(), 0x823C, {}, Unicode};
inline constexpr NamedTag kAppointmentTimeZoneDefinitionStartDisplay{
    propset::appointment(), 0x825E, {}, Binary};
inline constexpr NamedTag kAppointmentTimeZoneDefinitionEndDisplay{
    propset::appointment(), 0x825F, {}, Binary};
inline constexpr NamedTag kAppointmentTimeZoneDefinitionRecur{
    propset::appointment(), 0x8260, {}, Binary};
inline constexpr NamedTag kCommonStart{propset::common(), 0x8516, {}, SysTime};
inline constexpr NamedTag kCommonEnd{propset::common(), 0x8517, {}, SysTime};
inline constexpr NamedTag kReminderSignalTime{propset::common(), 0x8560, {}, SysTime};
inline constexpr NamedTag kGlobalObjectId{propset::meeting(), 0x0003, {}, Binary};
inline constexpr NamedTag kCleanGlobalObjectId{propset::meeting(), 0x0023, {}, Binary};

// Task items (MS-OXOTASK 2.2.2; LIDs from MS-OXPROPS), beside the task LIDs above.
inline constexpr NamedTag kTaskDateCompleted{propset::task(), 0x810F, {}, SysTime};
inline constexpr NamedTag kTaskState{propset::task(), 0x8113, {}, Int32};
inline constexpr NamedTag kTaskRecurrence{propset::task(), 0x8116, {}, Binary};
inline constexpr NamedTag kTaskFRecurring{propset::task(), 0x8126, {}, Boolean};
inline constexpr NamedTag kTaskOwnership{propset::task(), 0x8129, {}, Int32};
inline constexpr NamedTag kTaskAcceptanceState{propset::task(), 0x812A, {}, Int32};

// Outlook files internet header names in lower case (its new store holds "content-class"),
// and Accept-Language as "acceptlanguage".
inline constexpr NamedTag kContentClass{propset::internetHeaders(), {}, "content-class", Unicode};
inline constexpr NamedTag kContentType{propset::internetHeaders(), {}, "content-type", Unicode};
inline constexpr NamedTag kAcceptLanguage{
    propset::internetHeaders(), {}, "acceptlanguage", Unicode};

// Contacts and personal distribution lists (MS-OXOCNTC 2.2.1, 2.2.2), PSETID_Address.
// The LIDs were checked against MS-OXPROPS and the Outlook-made contact and distribution list
// in tests/data/pst-samples/javalibpst-dist-list.pst.
inline constexpr NamedTag kFileUnder{propset::address(), 0x8005, {}, Unicode};
inline constexpr NamedTag kFileUnderId{propset::address(), 0x8006, {}, Int32};
inline constexpr NamedTag kHasPicture{propset::address(), 0x8015, {}, Boolean};
inline constexpr NamedTag kHomeAddress{propset::address(), 0x801A, {}, Unicode};
inline constexpr NamedTag kWorkAddress{propset::address(), 0x801B, {}, Unicode};
inline constexpr NamedTag kOtherAddress{propset::address(), 0x801C, {}, Unicode};
inline constexpr NamedTag kPostalAddressId{propset::address(), 0x8022, {}, Int32};
inline constexpr NamedTag kAddressBookProviderEmailList{propset::address(), 0x8028, {}, MvInt32};
inline constexpr NamedTag kAddressBookProviderArrayType{propset::address(), 0x8029, {}, Int32};
inline constexpr NamedTag kContactWebPage{propset::address(), 0x802B, {}, Unicode};  // PidLidHtml
inline constexpr NamedTag kWorkAddressStreet{propset::address(), 0x8045, {}, Unicode};
inline constexpr NamedTag kWorkAddressCity{propset::address(), 0x8046, {}, Unicode};
inline constexpr NamedTag kWorkAddressState{propset::address(), 0x8047, {}, Unicode};
inline constexpr NamedTag kWorkAddressPostalCode{propset::address(), 0x8048, {}, Unicode};
inline constexpr NamedTag kWorkAddressCountry{propset::address(), 0x8049, {}, Unicode};
inline constexpr NamedTag kDistributionListChecksum{propset::address(), 0x804C, {}, Int32};
inline constexpr NamedTag kDistributionListName{propset::address(), 0x8053, {}, Unicode};
inline constexpr NamedTag kDistributionListOneOffMembers{propset::address(), 0x8054, {}, MvBinary};
inline constexpr NamedTag kDistributionListMembers{propset::address(), 0x8055, {}, MvBinary};
inline constexpr NamedTag kInstantMessagingAddress{propset::address(), 0x8062, {}, Unicode};
// E-mail 1-3: display name, address type, address, original display name and entry id at
// LIDs 0x8080, 0x8082-0x8085, then the same 0x10 and 0x20 further.
inline constexpr NamedTag kEmailDisplayName[3] = {{propset::address(), 0x8080, {}, Unicode},
                                                  {propset::address(), 0x8090, {}, Unicode},
                                                  {propset::address(), 0x80A0, {}, Unicode}};
inline constexpr NamedTag kEmailAddressType[3] = {{propset::address(), 0x8082, {}, Unicode},
                                                  {propset::address(), 0x8092, {}, Unicode},
                                                  {propset::address(), 0x80A2, {}, Unicode}};
inline constexpr NamedTag kEmailEmailAddress[3] = {{propset::address(), 0x8083, {}, Unicode},
                                                   {propset::address(), 0x8093, {}, Unicode},
                                                   {propset::address(), 0x80A3, {}, Unicode}};
inline constexpr NamedTag kEmailOriginalDisplayName[3] = {
    {propset::address(), 0x8084, {}, Unicode},
    {propset::address(), 0x8094, {}, Unicode},
    {propset::address(), 0x80A4, {}, Unicode}};
inline constexpr NamedTag kEmailOriginalEntryId[3] = {{propset::address(), 0x8085, {}, Binary},
                                                      {propset::address(), 0x8095, {}, Binary},
                                                      {propset::address(), 0x80A5, {}, Binary}};

}  // namespace tolvane::mapi::named
