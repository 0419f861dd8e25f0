#pragma once

// Outlook's recurrence pattern (MS-OXOCAL 2.2.1.44.1 RecurrencePattern) and the appointment
// part that follows it in PidLidAppointmentRecur (2.2.1.44.5), with the exceptions
// (2.2.1.44.2 ExceptionInfo, 2.2.1.44.3 ExtendedException). Dates and times are minutes since
// 1601 on the series' own wall clock.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "mapi/PropValue.h"

namespace tolvane::calendar {

enum class RecurFrequency : std::uint16_t {
    Daily = 0x200A,
    Weekly = 0x200B,
    Monthly = 0x200C,
    Yearly = 0x200D,
};

enum class PatternType : std::uint16_t {
    Day = 0x0000,
    Week = 0x0001,
    Month = 0x0002,
    MonthNth = 0x0003,
    MonthEnd = 0x0004,
};

enum class EndType : std::uint32_t {
    AfterDate = 0x00002021,
    AfterCount = 0x00002022,
    Never = 0x00002023,
};

// EndDate of a series without end (MS-OXOCAL 2.2.1.44.1).
inline constexpr std::uint32_t kNoEndDate = 0x5AE980DF;
// Day-mask bits, Sunday first.
inline constexpr std::uint32_t kSunday = 0x01;
inline constexpr std::uint32_t kWeekdays = 0x3E;  // Monday to Friday

struct RecurrencePattern {
    RecurFrequency frequency = RecurFrequency::Daily;
    PatternType type = PatternType::Day;
    std::uint32_t period = 1;      // minutes (daily), weeks, or months
    std::uint32_t dayMask = 0;     // Week, MonthNth
    std::uint32_t dayOfMonth = 0;  // Month, MonthEnd
    std::uint32_t nth = 0;         // MonthNth: 1-4, 5 = last
    EndType end = EndType::Never;
    std::uint32_t occurrenceCount = 0;
    std::uint32_t firstDayOfWeek = 0;          // 0 = Sunday
    std::vector<std::uint32_t> deletedDates;   // midnight of each original date removed
    std::vector<std::uint32_t> modifiedDates;  // midnight of each changed occurrence's date
    std::uint32_t startDate = 0;               // midnight of the first occurrence
    std::uint32_t endDate = kNoEndDate;        // midnight of the last occurrence

    std::uint32_t firstDateTime() const;  // MS-OXOCAL 2.2.1.44.1.1
};

// OverrideFlags of an ExceptionInfo (MS-OXOCAL 2.2.1.44.2).
enum Override : std::uint16_t {
    kOverrideSubject = 0x0001,
    kOverrideMeetingType = 0x0002,
    kOverrideReminderDelta = 0x0004,
    kOverrideReminder = 0x0008,
    kOverrideLocation = 0x0010,
    kOverrideBusyStatus = 0x0020,
    kOverrideAttachment = 0x0040,
    kOverrideSubType = 0x0080,
    kOverrideAppointmentColor = 0x0100,
    kOverrideExceptionalBody = 0x0200,
};

struct ExceptionInfo {
    std::uint32_t start = 0;  // the changed occurrence, wall clock
    std::uint32_t end = 0;
    std::uint32_t originalStart = 0;  // the occurrence it replaces, wall clock
    std::uint16_t overrides = 0;
    std::string subject;   // UTF-8; with kOverrideSubject
    std::string location;  // UTF-8; with kOverrideLocation
    std::int32_t reminderDelta = 0;
    bool reminderSet = false;
    std::int32_t busyStatus = 0;
    bool allDay = false;
};

struct AppointmentRecurrence {
    RecurrencePattern pattern;
    std::uint32_t startOffset = 0;          // minutes after midnight each occurrence starts
    std::uint32_t endOffset = 0;            // and ends (may pass midnight)
    std::vector<ExceptionInfo> exceptions;  // in the order of their original starts
};

// PidLidTaskRecurrence: the pattern alone (MS-OXOTASK 2.2.2.2.15).
mapi::Bytes recurrencePatternBlob(const RecurrencePattern& p);
// PidLidAppointmentRecur.
mapi::Bytes appointmentRecurrenceBlob(const AppointmentRecurrence& r);

}  // namespace tolvane::calendar
