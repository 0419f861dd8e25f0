#pragma once

// A reader of Outlook's recurrence blobs, written from MS-OXOCAL alone: RecurrencePattern
// (2.2.1.44.1), AppointmentRecurrencePattern with ExceptionInfo and ExtendedException
// (2.2.1.44.2-5), and the time-zone blobs TZSTRUCT (2.2.1.39) and TZDEFINITION (2.2.1.41),
// with the occurrences a pattern gives (2.2.1.44.1.2). What does not parse throws Truncated
// or BlobError naming the field.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "pstcheck/Bytes.h"

namespace tolvane::pstcheck {

struct BlobError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct RecurPattern {
    std::uint16_t frequency = 0;    // 0x200A daily ... 0x200D yearly
    std::uint16_t patternType = 0;  // 0 day, 1 week, 2 month, 3 month-nth, 4 month-end
    std::uint16_t calendarType = 0;
    std::uint32_t firstDateTime = 0;
    std::uint32_t period = 0;
    std::uint32_t slidingFlag = 0;
    std::uint32_t days = 0;  // week mask, or day of month
    std::uint32_t nth = 0;
    std::uint32_t endType = 0;
    std::uint32_t occurrenceCount = 0;
    std::uint32_t firstDow = 0;
    std::vector<std::uint32_t> deleted;
    std::vector<std::uint32_t> modified;
    std::uint32_t startDate = 0;
    std::uint32_t endDate = 0;
};

struct RecurException {
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    std::uint32_t originalStart = 0;
    std::uint16_t flags = 0;
    std::optional<std::string> subject;  // UTF-8, from the extended exception when there
    std::optional<std::string> location;
};

struct AppointmentRecur {
    RecurPattern pattern;
    std::uint32_t writerVersion2 = 0;
    std::uint32_t startOffset = 0;
    std::uint32_t endOffset = 0;
    std::vector<RecurException> exceptions;
};

RecurPattern parseRecurrencePattern(Bytes blob, std::size_t* consumed = nullptr);
AppointmentRecur parseAppointmentRecurrence(Bytes blob);

// One time-zone rule: biases in minutes, changes as SYSTEMTIME fields.
struct TzChange {
    std::uint16_t year = 0, month = 0, dayOfWeek = 0, day = 0, hour = 0, minute = 0;
};
struct TzRule {
    std::uint16_t flags = 0;
    std::uint16_t year = 0;
    std::int32_t bias = 0, standardBias = 0, daylightBias = 0;
    TzChange standard, daylight;
};
struct TzDefinition {
    std::string keyName;
    std::vector<TzRule> rules;
    // UTC minutes since 1601 of a wall-clock minute, by the rule of its year.
    std::int64_t toUtc(std::int64_t wallMinutes) const;
};

TzDefinition parseTzDefinition(Bytes blob);
TzRule parseTzStruct(Bytes blob);

// Wall-clock start minutes of the pattern's occurrences (deleted ones left out, changed ones
// at their new start), at most `limit` of them and none after `untilMinutes`.
std::vector<std::int64_t> occurrences(const AppointmentRecur& r, std::size_t limit,
                                      std::int64_t untilMinutes);
// The days (midnight, minutes) the pattern itself gives, before deletions.
std::vector<std::int64_t> patternDays(const RecurPattern& p, std::size_t limit,
                                      std::int64_t untilMinutes);

}  // namespace tolvane::pstcheck
