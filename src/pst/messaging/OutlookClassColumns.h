#pragma once

// The contents-table columns Outlook gives its own Calendar, Contacts and Tasks folders beyond
// the contents-table template (OutlookTemplates.h): what its list views show of an
// appointment, a contact or a task without opening it. Taken from the folders of an
// Outlook-made store (tests/data/pst-samples/javalibpst-dist-list.pst: Calendar 63 columns,
// Contacts 119, Tasks 25); named properties by set and LID, as each store maps them to its
// own ids. Two of Outlook's columns (0x0EA2, 0x6E01) are undocumented; they stay, empty, so
// the column sets are Outlook's own.

#include <vector>

#include "mapi/PropTag.h"
#include "mapi/PropertyList.h"

namespace tolvane::pst::messaging::outlook {

namespace set = mapi::propset;
using enum mapi::PropType;

inline const std::vector<mapi::PropTag> kAppointmentTaggedColumns = {
    {0x0030, SysTime},                     // ReplyTime
    {0x0063, Boolean},                     // ResponseRequested
    {0x0E2B, Int32},                       // ToDoItemFlags
    {0x0EA2, Int32},   {0x1035, Unicode},  // InternetMessageId
    {0x1080, Int32},                       // IconIndex
    {0x1090, Int32},                       // FlagStatus
    {0x1095, Int32},                       // FollowupIcon
    {0x3007, SysTime},                     // CreationTime
    {0x300B, Binary},                      // SearchKey
    {0x6E01, Int32},
};
inline const std::vector<mapi::NamedTag> kAppointmentNamedColumns = {
    {set::appointment(), 0x8205, {}, Int32},    // BusyStatus
    {set::appointment(), 0x8207, {}, Int32},    // AppointmentAuxiliaryFlags
    {set::appointment(), 0x8208, {}, Unicode},  // Location
    {set::appointment(), 0x8209, {}, Unicode},
    {set::appointment(), 0x820D, {}, SysTime},  // AppointmentStartWhole
    {set::appointment(), 0x820E, {}, SysTime},  // AppointmentEndWhole
    {set::appointment(), 0x8214, {}, Int32},    // AppointmentColor
    {set::appointment(), 0x8215, {}, Boolean},  // AppointmentSubType
    {set::appointment(), 0x8216, {}, Binary},   // AppointmentRecur
    {set::appointment(), 0x8217, {}, Int32},    // AppointmentStateFlags
    {set::appointment(), 0x8218, {}, Int32},    // ResponseStatus
    {set::appointment(), 0x8223, {}, Boolean},  // Recurring
    {set::appointment(), 0x8229, {}, Boolean},  // FInvited
    {set::appointment(), 0x8233, {}, Binary},   // TimeZoneStruct
    {set::appointment(), 0x8234, {}, Unicode},  // TimeZoneDescription
    {set::appointment(), 0x8235, {}, SysTime},  // ClipStart
    {set::appointment(), 0x8236, {}, SysTime},  // ClipEnd
    {set::appointment(), 0x825E, {}, Binary},   // AppointmentTimeZoneDefinitionStartDisplay
    {set::common(), 0x8501, {}, Int32},         // ReminderDelta
    {set::common(), 0x8502, {}, SysTime},       // ReminderTime
    {set::common(), 0x8503, {}, Boolean},       // ReminderSet
    {set::common(), 0x8510, {}, Int32},         // SideEffects
    {set::common(), 0x8514, {}, Boolean},       // SmartNoAttach
    {set::common(), 0x8578, {}, Int32},
    {set::common(), 0x85A8, {}, Binary},
    {set::publicStrings(), {}, "Keywords", MvUnicode},
    {set::remote(), 0x8F07, {}, Boolean},
    {set::task(), 0x8101, {}, Int32},    // TaskStatus
    {set::task(), 0x8104, {}, SysTime},  // TaskStartDate
    {set::task(), 0x8105, {}, SysTime},  // TaskDueDate
    {set::task(), 0x811C, {}, Boolean},  // TaskComplete
};

inline const std::vector<mapi::PropTag> kContactTaggedColumns = {
    {0x0030, SysTime},                     // ReplyTime
    {0x0E2B, Int32},                       // ToDoItemFlags
    {0x0EA2, Int32},   {0x1035, Unicode},  // InternetMessageId
    {0x1080, Int32},                       // IconIndex
    {0x1090, Int32},                       // FlagStatus
    {0x1095, Int32},                       // FollowupIcon
    {0x3001, Unicode},                     // DisplayName
    {0x3007, SysTime},                     // CreationTime
    {0x300B, Binary},                      // SearchKey
    {0x3A06, Unicode},                     // GivenName
    {0x3A08, Unicode},                     // BusinessTelephoneNumber
    {0x3A09, Unicode},                     // HomeTelephoneNumber
    {0x3A11, Unicode},                     // Surname
    {0x3A15, Unicode},                     // PostalAddress
    {0x3A16, Unicode},                     // CompanyName
    {0x3A17, Unicode},                     // Title
    {0x3A18, Unicode},                     // DepartmentName
    {0x3A1A, Unicode},                     // PrimaryTelephoneNumber
    {0x3A1B, Unicode},                     // Business2TelephoneNumber
    {0x3A1C, Unicode},                     // MobileTelephoneNumber
    {0x3A1E, Unicode},                     // CarTelephoneNumber
    {0x3A1F, Unicode},                     // OtherTelephoneNumber
    {0x3A21, Unicode},                     // PagerTelephoneNumber
    {0x3A23, Unicode},                     // PrimaryFaxNumber
    {0x3A24, Unicode},                     // BusinessFaxNumber
    {0x3A25, Unicode},                     // HomeFaxNumber
    {0x3A2E, Unicode},                     // AssistantTelephoneNumber
    {0x3A2F, Unicode},                     // Home2TelephoneNumber
    {0x3A4B, Unicode},                     // TtyTddPhoneNumber
    {0x3A50, Unicode},                     // PersonalHomePage
    {0x3A51, Unicode},                     // BusinessHomePage
    {0x3A57, Unicode},                     // CompanyMainTelephoneNumber
    {0x3A71, Int32},                       // SendInternetEncoding
    {0x65E2, Binary},                      // ChangeKey
    {0x6E01, Int32},
};
inline const std::vector<mapi::NamedTag> kContactNamedColumns = {
    {set::address(), 0x8005, {}, Unicode},  // FileUnder
    {set::address(), 0x8015, {}, Boolean},  // HasPicture
    {set::address(), 0x801A, {}, Unicode},  // HomeAddress
    {set::address(), 0x801B, {}, Unicode},  // WorkAddress
    {set::address(), 0x801C, {}, Unicode},  // OtherAddress
    {set::address(), 0x8028, {}, MvInt32},  // AddressBookProviderEmailList
    {set::address(), 0x8029, {}, Int32},    // AddressBookProviderArrayType
    {set::address(), 0x802C, {}, Unicode},  // YomiFirstName
    {set::address(), 0x802D, {}, Unicode},  // YomiLastName
    {set::address(), 0x802E, {}, Unicode},  // YomiCompanyName
    {set::address(), 0x8040, {}, Binary},   // BusinessCardDisplayDefinition
    {set::address(), 0x8043, {}, Int32},
    {set::address(), 0x804F, {}, Unicode},
    {set::address(), 0x8050, {}, Unicode},
    {set::address(), 0x8051, {}, Unicode},
    {set::address(), 0x8052, {}, Unicode},
    {set::address(), 0x8062, {}, Unicode},  // InstantMessagingAddress
    {set::address(), 0x8080, {}, Unicode},  // Email1DisplayName
    {set::address(), 0x8082, {}, Unicode},  // Email1AddressType
    {set::address(), 0x8083, {}, Unicode},  // Email1EmailAddress
    {set::address(), 0x8084, {}, Unicode},  // Email1OriginalDisplayName
    {set::address(), 0x8085, {}, Binary},   // Email1OriginalEntryId
    {set::address(), 0x8086, {}, Boolean},
    {set::address(), 0x8090, {}, Unicode},  // Email2DisplayName
    {set::address(), 0x8092, {}, Unicode},  // Email2AddressType
    {set::address(), 0x8093, {}, Unicode},  // Email2EmailAddress
    {set::address(), 0x8094, {}, Unicode},  // Email2OriginalDisplayName
    {set::address(), 0x8095, {}, Binary},   // Email2OriginalEntryId
    {set::address(), 0x8096, {}, Boolean},
    {set::address(), 0x80A0, {}, Unicode},  // Email3DisplayName
    {set::address(), 0x80A2, {}, Unicode},  // Email3AddressType
    {set::address(), 0x80A3, {}, Unicode},  // Email3EmailAddress
    {set::address(), 0x80A4, {}, Unicode},  // Email3OriginalDisplayName
    {set::address(), 0x80A5, {}, Binary},   // Email3OriginalEntryId
    {set::address(), 0x80A6, {}, Boolean},
    {set::address(), 0x80B2, {}, Unicode},  // Fax1AddressType
    {set::address(), 0x80B3, {}, Unicode},  // Fax1EmailAddress
    {set::address(), 0x80B4, {}, Unicode},  // Fax1OriginalDisplayName
    {set::address(), 0x80B5, {}, Binary},   // Fax1OriginalEntryId
    {set::address(), 0x80B6, {}, Boolean},
    {set::address(), 0x80C2, {}, Unicode},  // Fax2AddressType
    {set::address(), 0x80C3, {}, Unicode},  // Fax2EmailAddress
    {set::address(), 0x80C4, {}, Unicode},  // Fax2OriginalDisplayName
    {set::address(), 0x80C5, {}, Binary},   // Fax2OriginalEntryId
    {set::address(), 0x80C6, {}, Boolean},
    {set::address(), 0x80D2, {}, Unicode},  // Fax3AddressType
    {set::address(), 0x80D3, {}, Unicode},  // Fax3EmailAddress
    {set::address(), 0x80D4, {}, Unicode},  // Fax3OriginalDisplayName
    {set::address(), 0x80D5, {}, Binary},   // Fax3OriginalEntryId
    {set::address(), 0x80D6, {}, Boolean},
    {set::common(), 0x8502, {}, SysTime},  // ReminderTime
    {set::common(), 0x8503, {}, Boolean},  // ReminderSet
    {set::common(), 0x8510, {}, Int32},    // SideEffects
    {set::common(), 0x8530, {}, Unicode},  // FlagRequest
    {set::common(), 0x8552, {}, Int32},    // CurrentVersion
    {set::common(), 0x8578, {}, Int32},
    {set::common(), 0x85A8, {}, Binary},
    {set::publicStrings(), {}, "Keywords", MvUnicode},
    {set::task(), 0x8101, {}, Int32},    // TaskStatus
    {set::task(), 0x8104, {}, SysTime},  // TaskStartDate
    {set::task(), 0x8105, {}, SysTime},  // TaskDueDate
    {set::task(), 0x811C, {}, Boolean},  // TaskComplete
};

inline const std::vector<mapi::PropTag> kTaskTaggedColumns = {};
inline const std::vector<mapi::NamedTag> kTaskNamedColumns = {
    {set::common(), 0x8510, {}, Int32},  // SideEffects
    {set::common(), 0x8578, {}, Int32},
    {set::task(), 0x8105, {}, SysTime},  // TaskDueDate
    {set::task(), 0x810F, {}, SysTime},  // TaskDateCompleted
};

}  // namespace tolvane::pst::messaging::outlook
