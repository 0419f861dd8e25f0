#include "calendar/BlobWriter.h"
#include "calendar/CivilTime.h"
#include "calendar/RecurrencePattern.h"
#include "text/Utf16.h"

namespace tolvane::calendar {
namespace {

constexpr std::uint16_t kReaderVersion = 0x3004;
constexpr std::uint16_t kWriterVersion = 0x3004;
constexpr std::uint32_t kReaderVersion2 = 0x3006;
// 0x3009: each ExtendedException starts with a ChangeHighlight.
constexpr std::uint32_t kWriterVersion2 = 0x3009;
constexpr std::uint32_t kMinutesPerWeek = 7 * kMinutesPerDay;

void pattern(BlobWriter& w, const RecurrencePattern& p) {
    w.u16(kReaderVersion);
    w.u16(kWriterVersion);
    w.u16(static_cast<std::uint16_t>(p.frequency));
    w.u16(static_cast<std::uint16_t>(p.type));
    w.u16(0);  // CalendarType: Gregorian
    w.u32(p.firstDateTime());
    w.u32(p.period);
    w.u32(0);  // SlidingFlag
    switch (p.type) {
        case PatternType::Day:
            break;
        case PatternType::Week:
            w.u32(p.dayMask);
            break;
        case PatternType::Month:
        case PatternType::MonthEnd:
            w.u32(p.dayOfMonth);
            break;
        case PatternType::MonthNth:
            w.u32(p.dayMask);
            w.u32(p.nth);
            break;
    }
    w.u32(static_cast<std::uint32_t>(p.end));
    w.u32(p.occurrenceCount);
    w.u32(p.firstDayOfWeek);
    w.u32(static_cast<std::uint32_t>(p.deletedDates.size()));
    for (const std::uint32_t d : p.deletedDates) {
        w.u32(d);
    }
    w.u32(static_cast<std::uint32_t>(p.modifiedDates.size()));
    for (const std::uint32_t d : p.modifiedDates) {
        w.u32(d);
    }
    w.u32(p.startDate);
    w.u32(p.endDate);
}

// The ANSI copy of a subject or location in ExceptionInfo; the Unicode one follows in the
// ExtendedException, so characters outside ASCII become '?' here.
std::string narrow(const std::u16string& text) {
    std::string out;
    for (const char16_t c : text) {
        if (c >= 0xDC00 && c <= 0xDFFF) {
            continue;  // the second half of a pair already gave its '?'
        }
        out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    }
    return out;
}

void narrowField(BlobWriter& w, const std::string& utf8) {
    const std::string ansi = narrow(text::utf16Of(utf8));
    w.u16(static_cast<std::uint16_t>(ansi.size() + 1));
    w.u16(static_cast<std::uint16_t>(ansi.size()));
    w.raw(ansi);
}

void exceptionInfo(BlobWriter& w, const ExceptionInfo& e) {
    w.u32(e.start);
    w.u32(e.end);
    w.u32(e.originalStart);
    w.u16(e.overrides);
    if (e.overrides & kOverrideSubject) {
        narrowField(w, e.subject);
    }
    if (e.overrides & kOverrideReminderDelta) {
        w.i32(e.reminderDelta);
    }
    if (e.overrides & kOverrideReminder) {
        w.u32(e.reminderSet ? 1 : 0);
    }
    if (e.overrides & kOverrideLocation) {
        narrowField(w, e.location);
    }
    if (e.overrides & kOverrideBusyStatus) {
        w.i32(e.busyStatus);
    }
    if (e.overrides & kOverrideSubType) {
        w.u32(e.allDay ? 1 : 0);
    }
}

void extendedException(BlobWriter& w, const ExceptionInfo& e) {
    w.u32(4);  // ChangeHighlightSize
    w.u32(0);  // ChangeHighlightValue
    w.u32(0);  // ReservedBlockEE1Size
    if (!(e.overrides & (kOverrideSubject | kOverrideLocation))) {
        return;
    }
    w.u32(e.start);
    w.u32(e.end);
    w.u32(e.originalStart);
    if (e.overrides & kOverrideSubject) {
        const std::u16string s = text::utf16Of(e.subject);
        w.u16(static_cast<std::uint16_t>(s.size()));
        w.utf16(s);
    }
    if (e.overrides & kOverrideLocation) {
        const std::u16string s = text::utf16Of(e.location);
        w.u16(static_cast<std::uint16_t>(s.size()));
        w.utf16(s);
    }
    w.u32(0);  // ReservedBlockEE2Size
}

}  // namespace

std::uint32_t RecurrencePattern::firstDateTime() const {
    switch (frequency) {
        case RecurFrequency::Daily:
            return period == 0 ? 0 : startDate % period;
        case RecurFrequency::Weekly: {
            // Minutes to the start of the week holding the first occurrence, modulo the period.
            const std::uint32_t day = startDate / kMinutesPerDay;
            const std::uint32_t dow = (day + 1) % 7;  // day 0 (1 January 1601) was a Monday
            const std::uint32_t back = (dow + 7 - firstDayOfWeek) % 7;
            const std::uint64_t weekStart = static_cast<std::uint64_t>(day - back) * kMinutesPerDay;
            return static_cast<std::uint32_t>(weekStart %
                                              (std::uint64_t{period} * kMinutesPerWeek));
        }
        case RecurFrequency::Monthly:
        case RecurFrequency::Yearly: {
            // The first month of 1601 congruent with the start month, as minutes from 1601.
            const CivilDate d = dateOfDay(startDate / kMinutesPerDay);
            const int months = (d.year - 1601) * 12 + (d.month - 1);
            const int month = period == 0 ? 0 : months % static_cast<int>(period);
            return static_cast<std::uint32_t>(
                minutesSince1601({1601 + month / 12, month % 12 + 1, 1}));
        }
    }
    return 0;
}

mapi::Bytes recurrencePatternBlob(const RecurrencePattern& p) {
    BlobWriter w;
    pattern(w, p);
    return w.take();
}

mapi::Bytes appointmentRecurrenceBlob(const AppointmentRecurrence& r) {
    BlobWriter w;
    pattern(w, r.pattern);
    w.u32(kReaderVersion2);
    w.u32(kWriterVersion2);
    w.u32(r.startOffset);
    w.u32(r.endOffset);
    w.u16(static_cast<std::uint16_t>(r.exceptions.size()));
    for (const ExceptionInfo& e : r.exceptions) {
        exceptionInfo(w, e);
    }
    w.u32(0);  // ReservedBlock1Size
    for (const ExceptionInfo& e : r.exceptions) {
        extendedException(w, e);
    }
    w.u32(0);  // ReservedBlock2Size
    return w.take();
}

}  // namespace tolvane::calendar
