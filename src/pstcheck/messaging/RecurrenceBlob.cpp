#include "pstcheck/messaging/RecurrenceBlob.h"

#include <algorithm>
#include <set>

#include "pstcheck/ltp/PropTypes.h"

namespace tolvane::pstcheck {
namespace {

constexpr std::int64_t kDay = 1440;
constexpr std::uint32_t kEndAfterDate = 0x2021;
constexpr std::uint32_t kEndAfterCount = 0x2022;
constexpr std::uint16_t kOverrideSubject = 0x0001, kOverrideMeetingType = 0x0002,
                        kOverrideReminderDelta = 0x0004, kOverrideReminder = 0x0008,
                        kOverrideLocation = 0x0010, kOverrideBusyStatus = 0x0020,
                        kOverrideAttachment = 0x0040, kOverrideSubType = 0x0080,
                        kOverrideColor = 0x0100;

class Cursor {
  public:
    explicit Cursor(Bytes b) : b_(b) {}
    std::uint8_t u8() { return take<std::uint8_t>(); }
    std::uint16_t u16() { return take<std::uint16_t>(); }
    std::uint32_t u32() { return take<std::uint32_t>(); }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    Bytes bytes(std::size_t n) {
        const Bytes out = slice(b_, at_, n);
        at_ += n;
        return out;
    }
    std::size_t at() const { return at_; }
    std::size_t left() const { return b_.size() - at_; }

  private:
    template <typename T>
    T take() {
        const T v = le<T>(b_, at_);
        at_ += sizeof(T);
        return v;
    }
    Bytes b_;
    std::size_t at_ = 0;
};

// Gregorian dates by counting from 1601: whole 400-, 100-, 4- and 1-year cycles.
bool leap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}
int monthLength(int y, int m) {
    static const int kLen[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leap(y) ? 29 : kLen[m - 1];
}
std::int64_t dayNumber(int y, int m, int d) {
    const std::int64_t years = y - 1601;
    std::int64_t days = years * 365 + years / 4 - years / 100 + years / 400;
    for (int k = 1; k < m; ++k) {
        days += monthLength(y, k);
    }
    return days + d - 1;
}
struct Ymd {
    int y, m, d;
};
Ymd dateOf(std::int64_t day) {
    int y = 1601 + static_cast<int>(day / 146097) * 400;
    day %= 146097;
    while (day >= (leap(y) ? 366 : 365)) {
        day -= leap(y) ? 366 : 365;
        ++y;
    }
    int m = 1;
    while (day >= monthLength(y, m)) {
        day -= monthLength(y, m);
        ++m;
    }
    return {y, m, static_cast<int>(day) + 1};
}
int dow(std::int64_t day) {
    return static_cast<int>((day + 1) % 7);  // day 0, 1 January 1601, was a Monday
}

// The day of the n-th (5 = last) masked weekday in a month.
std::optional<int> nthDay(int y, int m, std::uint32_t mask, std::uint32_t n) {
    std::vector<int> hits;
    for (int d = 1; d <= monthLength(y, m); ++d) {
        if (mask & (1u << dow(dayNumber(y, m, d)))) {
            hits.push_back(d);
        }
    }
    if (hits.empty()) {
        return std::nullopt;
    }
    if (n >= 5) {
        return hits.back();
    }
    if (n == 0 || n > hits.size()) {
        return std::nullopt;
    }
    return hits[n - 1];
}

TzChange change(Cursor& c) {
    TzChange t;
    t.year = c.u16();
    t.month = c.u16();
    t.dayOfWeek = c.u16();
    t.day = c.u16();
    t.hour = c.u16();
    t.minute = c.u16();
    c.u16();
    c.u16();
    return t;
}

// Wall-clock minute of a relative change in a year.
std::int64_t changeAt(const TzChange& c, int year) {
    int day = 0;
    if (c.year != 0) {
        day = c.day;
    } else {
        const auto d = nthDay(year, c.month, 1u << c.dayOfWeek, c.day);
        day = d ? *d : 1;
    }
    return dayNumber(year, c.month, day) * kDay + c.hour * 60 + c.minute;
}

}  // namespace

RecurPattern parseRecurrencePattern(Bytes blob, std::size_t* consumed) {
    Cursor c(blob);
    RecurPattern p;
    if (c.u16() != 0x3004 || c.u16() != 0x3004) {
        throw BlobError("ReaderVersion/WriterVersion: not 0x3004");
    }
    p.frequency = c.u16();
    p.patternType = c.u16();
    p.calendarType = c.u16();
    p.firstDateTime = c.u32();
    p.period = c.u32();
    p.slidingFlag = c.u32();
    if (p.frequency < 0x200A || p.frequency > 0x200D) {
        throw BlobError("RecurFrequency: " + std::to_string(p.frequency));
    }
    switch (p.patternType) {
        case 0:
            break;
        case 1:
        case 2:
        case 4:
        case 0xA:
        case 0xC:
            p.days = c.u32();
            break;
        case 3:
        case 0xB:
            p.days = c.u32();
            p.nth = c.u32();
            break;
        default:
            throw BlobError("PatternType: " + std::to_string(p.patternType));
    }
    p.endType = c.u32();
    p.occurrenceCount = c.u32();
    p.firstDow = c.u32();
    const std::uint32_t deleted = c.u32();
    if (deleted > c.left() / 4) {
        throw BlobError("DeletedInstanceCount: " + std::to_string(deleted));
    }
    for (std::uint32_t i = 0; i < deleted; ++i) {
        p.deleted.push_back(c.u32());
    }
    const std::uint32_t modified = c.u32();
    if (modified > c.left() / 4) {
        throw BlobError("ModifiedInstanceCount: " + std::to_string(modified));
    }
    for (std::uint32_t i = 0; i < modified; ++i) {
        p.modified.push_back(c.u32());
    }
    p.startDate = c.u32();
    p.endDate = c.u32();
    if (consumed) {
        *consumed = c.at();
    }
    return p;
}

AppointmentRecur parseAppointmentRecurrence(Bytes blob) {
    AppointmentRecur r;
    std::size_t used = 0;
    r.pattern = parseRecurrencePattern(blob, &used);
    Cursor c(blob.subspan(used));
    if (c.u32() != 0x3006) {
        throw BlobError("ReaderVersion2: not 0x3006");
    }
    r.writerVersion2 = c.u32();
    r.startOffset = c.u32();
    r.endOffset = c.u32();
    const std::uint16_t count = c.u16();
    for (std::uint16_t i = 0; i < count; ++i) {
        RecurException e;
        e.start = c.u32();
        e.end = c.u32();
        e.originalStart = c.u32();
        e.flags = c.u16();
        if (e.flags & kOverrideSubject) {
            const std::uint16_t len = c.u16();
            const std::uint16_t len2 = c.u16();
            if (len != len2 + 1) {
                throw BlobError("ExceptionInfo.SubjectLength: " + std::to_string(len) +
                                " with SubjectLength2 " + std::to_string(len2));
            }
            const Bytes s = c.bytes(len2);
            e.subject = std::string(s.begin(), s.end());
        }
        if (e.flags & kOverrideMeetingType)
            c.u32();
        if (e.flags & kOverrideReminderDelta)
            c.u32();
        if (e.flags & kOverrideReminder)
            c.u32();
        if (e.flags & kOverrideLocation) {
            const std::uint16_t len = c.u16();
            const std::uint16_t len2 = c.u16();
            if (len != len2 + 1) {
                throw BlobError("ExceptionInfo.LocationLength: " + std::to_string(len) +
                                " with LocationLength2 " + std::to_string(len2));
            }
            const Bytes s = c.bytes(len2);
            e.location = std::string(s.begin(), s.end());
        }
        if (e.flags & kOverrideBusyStatus)
            c.u32();
        if (e.flags & kOverrideAttachment)
            c.u32();
        if (e.flags & kOverrideSubType)
            c.u32();
        if (e.flags & kOverrideColor)
            c.u32();
        r.exceptions.push_back(std::move(e));
    }
    c.bytes(c.u32());  // ReservedBlock1
    for (RecurException& e : r.exceptions) {
        if (r.writerVersion2 >= 0x3009) {
            c.bytes(c.u32());  // ChangeHighlight
        }
        c.bytes(c.u32());  // ReservedBlockEE1
        if (e.flags & (kOverrideSubject | kOverrideLocation)) {
            if (c.u32() != e.start || c.u32() != e.end || c.u32() != e.originalStart) {
                throw BlobError("ExtendedException: times differ from its ExceptionInfo");
            }
            if (e.flags & kOverrideSubject) {
                e.subject = utf8(c.bytes(2 * std::size_t{c.u16()}));
            }
            if (e.flags & kOverrideLocation) {
                e.location = utf8(c.bytes(2 * std::size_t{c.u16()}));
            }
            c.bytes(c.u32());  // ReservedBlockEE2
        }
    }
    c.bytes(c.u32());  // ReservedBlock2
    if (c.left() != 0) {
        throw BlobError(std::to_string(c.left()) + " bytes after ReservedBlock2");
    }
    return r;
}

TzRule parseTzStruct(Bytes blob) {
    Cursor c(blob);
    TzRule r;
    r.bias = c.i32();
    r.standardBias = c.i32();
    r.daylightBias = c.i32();
    c.u16();
    r.standard = change(c);
    c.u16();
    r.daylight = change(c);
    return r;
}

TzDefinition parseTzDefinition(Bytes blob) {
    Cursor c(blob);
    if (c.u8() != 2 || c.u8() != 1) {
        throw BlobError("TZDEFINITION version: not 2.1");
    }
    const std::uint16_t header = c.u16();
    const std::size_t headerStart = c.at();
    c.u16();  // wReserved
    TzDefinition d;
    d.keyName = utf8(c.bytes(2 * std::size_t{c.u16()}));
    const std::uint16_t count = c.u16();
    if (c.at() - headerStart != header) {
        throw BlobError("TZDEFINITION.cbHeader: " + std::to_string(header) + ", header is " +
                        std::to_string(c.at() - headerStart));
    }
    for (std::uint16_t i = 0; i < count; ++i) {
        TzRule r;
        if (c.u8() != 2 || c.u8() != 1 || c.u16() != 0x3E) {
            throw BlobError("TZRULE " + std::to_string(i) + ": version or reserved field");
        }
        r.flags = c.u16();
        r.year = c.u16();
        c.bytes(14);
        r.bias = c.i32();
        r.standardBias = c.i32();
        r.daylightBias = c.i32();
        r.standard = change(c);
        r.daylight = change(c);
        if (!d.rules.empty() && r.year <= d.rules.back().year) {
            throw BlobError("TZRULE " + std::to_string(i) + ": years not ascending");
        }
        d.rules.push_back(r);
    }
    if (d.rules.empty()) {
        throw BlobError("TZDEFINITION: no rule");
    }
    return d;
}

std::int64_t TzDefinition::toUtc(std::int64_t wall) const {
    const int year = dateOf(wall / kDay).y;
    const TzRule* rule = &rules.front();
    for (const TzRule& r : rules) {
        if (r.year <= year) {
            rule = &r;
        }
    }
    std::int64_t bias = rule->bias + rule->standardBias;
    if (rule->standard.month != 0 && rule->daylight.month != 0) {
        const std::int64_t toDaylight = changeAt(rule->daylight, year);
        const std::int64_t toStandard = changeAt(rule->standard, year);
        const bool daylight = toDaylight < toStandard ? wall >= toDaylight && wall < toStandard
                                                      : wall >= toDaylight || wall < toStandard;
        if (daylight) {
            bias = rule->bias + rule->daylightBias;
        }
    }
    return wall + bias;
}

std::vector<std::int64_t> patternDays(const RecurPattern& p, std::size_t limit,
                                      std::int64_t until) {
    std::vector<std::int64_t> out;
    const std::int64_t start = p.startDate;
    const bool byCount = p.endType == kEndAfterCount;
    const std::int64_t last =
        p.endType == kEndAfterDate ? std::min<std::int64_t>(p.endDate, until) : until;
    const auto add = [&](std::int64_t day) {
        if (day >= start && day <= last && (!byCount || out.size() < p.occurrenceCount) &&
            out.size() < limit) {
            out.push_back(day);
        }
    };
    const auto full = [&] {
        return out.size() >= limit || (byCount && out.size() >= p.occurrenceCount);
    };
    if (p.period == 0) {
        throw BlobError("Period: 0");
    }
    switch (p.patternType) {
        case 0: {  // every Period minutes counted from FirstDateTime
            std::int64_t day =
                start +
                ((static_cast<std::int64_t>(p.firstDateTime) - start) % p.period + p.period) %
                    p.period;
            for (; day <= last && !full(); day += p.period) {
                add(day);
            }
            break;
        }
        case 1: {  // weeks congruent with FirstDateTime; the masked days in each
            const std::int64_t week = 7 * kDay;
            std::int64_t weekStart =
                start - ((dow(start / kDay) - static_cast<int>(p.firstDow) + 7) % 7) * kDay;
            const std::int64_t span = week * p.period;
            weekStart +=
                ((static_cast<std::int64_t>(p.firstDateTime) - weekStart) % span + span) % span;
            if (weekStart > start) {
                weekStart -= span;
            }
            for (; weekStart <= last && !full(); weekStart += span) {
                for (int i = 0; i < 7; ++i) {
                    const std::int64_t day = weekStart + i * kDay;
                    if (p.days & (1u << dow(day / kDay))) {
                        add(day);
                    }
                }
            }
            break;
        }
        case 2:
        case 3:
        case 4: {  // months congruent with FirstDateTime's month
            const Ymd first = dateOf(p.firstDateTime / kDay);
            const std::int64_t firstMonth = (first.y - 1601) * 12 + first.m - 1;
            const Ymd s = dateOf(start / kDay);
            std::int64_t month = (s.y - 1601) * 12 + s.m - 1;
            month -= ((month - firstMonth) % p.period + p.period) % p.period;
            for (;; month += p.period) {
                const int y = 1601 + static_cast<int>(month / 12);
                const int m = static_cast<int>(month % 12) + 1;
                if (dayNumber(y, m, 1) * kDay > last || full()) {
                    break;
                }
                std::optional<int> d;
                if (p.patternType == 3) {
                    d = nthDay(y, m, p.days, p.nth);
                } else {
                    d = std::min<int>(static_cast<int>(p.days), monthLength(y, m));
                    if (p.patternType == 4) {
                        d = monthLength(y, m);
                    }
                }
                if (d) {
                    add(dayNumber(y, m, *d) * kDay);
                }
            }
            break;
        }
        default:
            throw BlobError("PatternType: " + std::to_string(p.patternType) + " is not expanded");
    }
    return out;
}

std::vector<std::int64_t> occurrences(const AppointmentRecur& r, std::size_t limit,
                                      std::int64_t until) {
    const std::set<std::int64_t> deleted(r.pattern.deleted.begin(), r.pattern.deleted.end());
    std::vector<std::int64_t> out;
    for (const std::int64_t day : patternDays(r.pattern, limit, until)) {
        if (!deleted.contains(day)) {
            out.push_back(day + r.startOffset);
        }
    }
    for (const RecurException& e : r.exceptions) {
        if (e.start <= until) {
            out.push_back(e.start);
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace tolvane::pstcheck
