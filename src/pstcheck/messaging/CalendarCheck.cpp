#include "pstcheck/messaging/CalendarCheck.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "pstcheck/messaging/RecurrenceBlob.h"

namespace tolvane::pstcheck {
namespace {

using Guid = std::array<std::uint8_t, 16>;
// Property sets in their on-disk byte order.
constexpr Guid kAppointment = {0x02, 0x20, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00,
                               0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr Guid kTask = {0x03, 0x20, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00,
                        0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

constexpr std::uint16_t kInt32 = 0x0003, kDouble = 0x0005, kBoolean = 0x000B, kTime = 0x0040,
                        kBinary = 0x0102;
constexpr std::uint32_t kNoEndDate = 0x5AE980DF;
constexpr std::int64_t kNoEndClip = 1525076639;  // 4500-08-31 23:59, minutes since 1601
constexpr std::uint32_t kEndAfterDate = 0x2021, kEndAfterCount = 0x2022, kEndNever = 0x2023;
constexpr std::uint32_t kAfException = 0x2;
constexpr std::int64_t kDay = 1440;
constexpr std::size_t kMaxOccurrences = 200000;

struct Lid {
    const Guid* set;
    std::uint32_t lid;
    std::uint16_t type;
    const char* name;
};

constexpr Lid kStartWhole{&kAppointment, 0x820D, kTime, "PidLidAppointmentStartWhole"};
constexpr Lid kEndWhole{&kAppointment, 0x820E, kTime, "PidLidAppointmentEndWhole"};
constexpr Lid kDuration{&kAppointment, 0x8213, kInt32, "PidLidAppointmentDuration"};
constexpr Lid kBusyStatus{&kAppointment, 0x8205, kInt32, "PidLidBusyStatus"};
constexpr Lid kSubType{&kAppointment, 0x8215, kBoolean, "PidLidAppointmentSubType"};
constexpr Lid kRecurring{&kAppointment, 0x8223, kBoolean, "PidLidRecurring"};
constexpr Lid kRecur{&kAppointment, 0x8216, kBinary, "PidLidAppointmentRecur"};
constexpr Lid kTzStruct{&kAppointment, 0x8233, kBinary, "PidLidTimeZoneStruct"};
constexpr Lid kClipStart{&kAppointment, 0x8235, kTime, "PidLidClipStart"};
constexpr Lid kClipEnd{&kAppointment, 0x8236, kTime, "PidLidClipEnd"};
constexpr Lid kTzStart{&kAppointment, 0x825E, kBinary,
                       "PidLidAppointmentTimeZoneDefinitionStartDisplay"};
constexpr Lid kTzEnd{&kAppointment, 0x825F, kBinary,
                     "PidLidAppointmentTimeZoneDefinitionEndDisplay"};
constexpr Lid kTzRecur{&kAppointment, 0x8260, kBinary, "PidLidAppointmentTimeZoneDefinitionRecur"};
constexpr Lid kTaskStatus{&kTask, 0x8101, kInt32, "PidLidTaskStatus"};
constexpr Lid kPercent{&kTask, 0x8102, kDouble, "PidLidPercentComplete"};
constexpr Lid kTaskComplete{&kTask, 0x811C, kBoolean, "PidLidTaskComplete"};
constexpr Lid kTaskRecurrence{&kTask, 0x8116, kBinary, "PidLidTaskRecurrence"};
constexpr Lid kTaskRecurring{&kTask, 0x8126, kBoolean, "PidLidTaskFRecurring"};

std::string minutesText(std::int64_t m) {
    return std::to_string(m) + " min";
}

class ItemCheck {
  public:
    ItemCheck(const PropertyContext& pc, const NameIndex& names, const std::string& where,
              Report& r)
        : pc_(pc), names_(names), where_(where), r_(r) {}

    std::optional<std::uint32_t> tagOf(const Lid& p) const {
        const auto id = names_.id(*p.set, p.lid);
        return id ? std::optional((std::uint32_t{*id} << 16) | p.type) : std::nullopt;
    }
    std::optional<std::vector<std::uint8_t>> raw(const Lid& p) const {
        const auto tag = tagOf(p);
        if (!tag) {
            return std::nullopt;
        }
        const auto e = pc_.entries().find(static_cast<std::uint16_t>(*tag >> 16));
        if (e == pc_.entries().end() || e->second.type != p.type) {
            return std::nullopt;
        }
        return p.type == kBinary ? pc_.bytes(*tag)
                                 : pc_.value(static_cast<std::uint16_t>(*tag >> 16));
    }
    std::optional<std::int64_t> time(const Lid& p) const {
        const auto b = raw(p);
        return b && b->size() == 8 ? std::optional(fileTimeMinutes(*b)) : std::nullopt;
    }
    std::optional<std::uint32_t> int32(const Lid& p) const {
        const auto tag = tagOf(p);
        return tag ? pc_.int32(*tag) : std::nullopt;
    }
    std::optional<bool> boolean(const Lid& p) const {
        const auto tag = tagOf(p);
        return tag ? pc_.boolean(*tag) : std::nullopt;
    }
    std::optional<double> floating(const Lid& p) const {
        const auto b = raw(p);
        if (!b || b->size() != 8) {
            return std::nullopt;
        }
        double d = 0;
        std::memcpy(&d, b->data(), 8);
        return d;
    }
    void require(const Lid& p) {
        if (!raw(p)) {
            add(p.name, "missing");
        }
    }
    void add(const std::string& field, const std::string& detail) {
        r_.add(structure_, field, detail, where_);
    }
    void tolerate(const std::string& field, const std::string& detail) {
        r_.tolerate(structure_, field, detail, where_);
    }
    void structure(const char* s) { structure_ = s; }

  private:
    const PropertyContext& pc_;
    const NameIndex& names_;
    const std::string& where_;
    Report& r_;
    std::string structure_ = "APPOINTMENT";
};

template <typename F>
void parsed(ItemCheck& c, const char* field, F&& f) {
    try {
        f();
    } catch (const BlobError& e) {
        c.add(field, e.what());
    } catch (const Truncated& e) {
        c.add(field, std::string("truncated: ") + e.what());
    }
}

void checkRecurrence(ItemCheck& c, const std::vector<AttachmentFacts>& attachments,
                     std::int64_t start, std::int64_t end) {
    const auto blob = c.raw(kRecur);
    if (!blob) {
        c.add(kRecur.name, "missing on a recurring item");
        return;
    }
    std::optional<TzDefinition> tz;
    if (const auto def = c.raw(kTzRecur)) {
        parsed(c, kTzRecur.name, [&] { tz = parseTzDefinition(Bytes(*def)); });
    } else if (const auto st = c.raw(kTzStruct)) {
        parsed(c, kTzStruct.name, [&] {
            if (st->size() != 48) {
                throw BlobError("not 48 bytes");
            }
            tz = TzDefinition{"", {parseTzStruct(Bytes(*st))}};
        });
    } else {
        c.add(kTzStruct.name, "a recurring item has no time zone");
    }
    if (!tz) {
        return;
    }
    parsed(c, kRecur.name, [&] {
        const AppointmentRecur recur = parseAppointmentRecurrence(Bytes(*blob));
        const RecurPattern& p = recur.pattern;
        if (recur.endOffset < recur.startOffset) {
            throw BlobError("EndTimeOffset before StartTimeOffset");
        }
        if (recur.endOffset - recur.startOffset != end - start) {
            c.add("EndTimeOffset", "a duration of " +
                                       minutesText(recur.endOffset - recur.startOffset) +
                                       " against the item's " + minutesText(end - start));
        }
        if (!std::is_sorted(p.deleted.begin(), p.deleted.end()) ||
            !std::is_sorted(p.modified.begin(), p.modified.end())) {
            c.add("DeletedInstanceDates", "not in ascending order");
        }
        if (p.modified.size() != recur.exceptions.size()) {
            c.add("ModifiedInstanceCount", std::to_string(p.modified.size()) + " with " +
                                               std::to_string(recur.exceptions.size()) +
                                               " exceptions");
        }
        const std::int64_t horizon =
            p.endType == kEndNever ? p.startDate + 400 * 366 * kDay : p.endDate;
        const std::vector<std::int64_t> days = patternDays(p, kMaxOccurrences, horizon);
        if (days.empty() || days.front() != p.startDate) {
            c.add("StartDate", "is not the pattern's first day");
        }
        if (p.endType == kEndAfterCount &&
            (days.size() != p.occurrenceCount || days.back() != p.endDate)) {
            c.add("EndDate", "the pattern's " + std::to_string(p.occurrenceCount) +
                                 " occurrences end on another day");
        }
        if (p.endType == kEndAfterDate && days.size() != p.occurrenceCount) {
            c.add("OccurrenceCount", std::to_string(p.occurrenceCount) + ", the pattern gives " +
                                         std::to_string(days.size()) + " up to EndDate");
        }
        if (p.endType == kEndNever && p.endDate != kNoEndDate) {
            c.add("EndDate", "a series without end ends");
        }
        if (p.endType != kEndNever && p.endType != kEndAfterDate && p.endType != kEndAfterCount &&
            p.endType != 0xFFFFFFFF) {
            c.add("EndType", std::to_string(p.endType));
        }
        const std::set<std::int64_t> patternSet(days.begin(), days.end());
        const std::set<std::int64_t> deleted(p.deleted.begin(), p.deleted.end());
        for (const std::uint32_t d : p.deleted) {
            if (p.endType != kEndNever && !patternSet.contains(d)) {
                c.add("DeletedInstanceDates", "day " + minutesText(d) + " is no occurrence");
            }
        }
        // The item's start and end are its first occurrence's, on the series' clock.
        const std::int64_t firstWall = p.startDate + recur.startOffset;
        const bool firstChanged = deleted.contains(p.startDate);
        if (!firstChanged && tz->toUtc(firstWall) != start) {
            c.add(kStartWhole.name,
                  "is not the first occurrence (" + minutesText(tz->toUtc(firstWall)) + " UTC)");
        }
        if (const auto clip = c.time(kClipStart); !clip || *clip != tz->toUtc(p.startDate)) {
            c.add(kClipStart.name, "is not midnight of the first occurrence's day");
        }
        // Without end, Outlook clips at 31 August 4500, 23:59 on the series' clock.
        const std::int64_t clipEnd =
            p.endType == kEndNever ? tz->toUtc(kNoEndClip) : tz->toUtc(p.endDate);
        if (const auto clip = c.time(kClipEnd); !clip || *clip != clipEnd) {
            c.add(kClipEnd.name, "is not midnight of the last occurrence's day");
        }
        std::multiset<std::int64_t> replaced;
        for (const AttachmentFacts& a : attachments) {
            if (a.flags && (*a.flags & kAfException)) {
                if (!a.embedded || !a.replaceMinutes) {
                    c.add("exception attachment",
                          "holds no embedded message or no PidTagExceptionReplaceTime");
                } else {
                    replaced.insert(*a.replaceMinutes);
                }
            }
        }
        if (replaced.size() != recur.exceptions.size()) {
            // Outlook's own files hold exceptions whose attachment it left out.
            c.tolerate("exception attachments", std::to_string(replaced.size()) + " for " +
                                                    std::to_string(recur.exceptions.size()) +
                                                    " exceptions");
        }
        for (const RecurException& e : recur.exceptions) {
            const std::int64_t day = e.originalStart - e.originalStart % kDay;
            if (!deleted.contains(day)) {
                c.add("ExceptionInfo", "original start " + minutesText(e.originalStart) +
                                           " is not among the deleted instance dates");
            }
            if (!replaced.contains(tz->toUtc(e.originalStart))) {
                c.tolerate("ExceptionInfo", "no exception attachment replaces the occurrence at " +
                                                minutesText(e.originalStart));
            }
            if (e.end < e.start) {
                c.add("ExceptionInfo", "ends before it starts");
            }
        }
    });
}

void checkAppointment(ItemCheck& c, const std::vector<AttachmentFacts>& attachments) {
    for (const Lid* p :
         {&kStartWhole, &kEndWhole, &kDuration, &kBusyStatus, &kSubType, &kRecurring}) {
        c.require(*p);
    }
    for (const Lid* p : {&kTzStart, &kTzEnd}) {
        if (const auto def = c.raw(*p)) {
            parsed(c, p->name, [&] { parseTzDefinition(Bytes(*def)); });
        }
    }
    const auto start = c.time(kStartWhole);
    const auto end = c.time(kEndWhole);
    if (!start || !end) {
        return;
    }
    if (*end < *start) {
        c.add(kEndWhole.name, "before the start");
    }
    if (const auto d = c.int32(kDuration); d && static_cast<std::int32_t>(*d) != *end - *start) {
        c.add(kDuration.name, std::to_string(static_cast<std::int32_t>(*d)) + " against " +
                                  minutesText(*end - *start));
    }
    if (c.boolean(kRecurring).value_or(false)) {
        checkRecurrence(c, attachments, *start, *end);
        return;
    }
    if (c.raw(kRecur)) {
        c.add(kRecur.name, "on an item that is not recurring");
    }
    const auto clipStart = c.time(kClipStart);
    const auto clipEnd = c.time(kClipEnd);
    if ((clipStart && *clipStart != *start) || (clipEnd && *clipEnd != *end)) {
        c.add(kClipStart.name, "the clip range of a single item is not its start and end");
    }
}

void checkTask(ItemCheck& c) {
    c.structure("TASK");
    for (const Lid* p : {&kTaskStatus, &kPercent, &kTaskComplete}) {
        c.require(*p);
    }
    const auto status = c.int32(kTaskStatus);
    const auto complete = c.boolean(kTaskComplete);
    const auto percent = c.floating(kPercent);
    if (status && *status > 4) {
        c.add(kTaskStatus.name, std::to_string(*status));
    }
    if (percent && (*percent < 0 || *percent > 1)) {
        c.add(kPercent.name, std::to_string(*percent));
    }
    if (status && complete && (*status == 2) != *complete) {
        c.add(kTaskComplete.name, "disagrees with PidLidTaskStatus " + std::to_string(*status));
    }
    if (c.boolean(kTaskRecurring).value_or(false)) {
        const auto blob = c.raw(kTaskRecurrence);
        if (!blob) {
            c.add(kTaskRecurrence.name, "missing on a recurring task");
            return;
        }
        parsed(c, kTaskRecurrence.name, [&] {
            std::size_t used = 0;
            const RecurPattern p = parseRecurrencePattern(Bytes(*blob), &used);
            if (used != blob->size()) {
                throw BlobError(std::to_string(blob->size() - used) + " bytes after EndDate");
            }
            const auto days =
                patternDays(p, kMaxOccurrences, p.endType == kEndNever ? p.startDate : p.endDate);
            if (days.empty() || days.front() != p.startDate) {
                throw BlobError("StartDate is not the pattern's first day");
            }
        });
    }
}

}  // namespace

std::int64_t fileTimeMinutes(const std::vector<std::uint8_t>& b) {
    std::uint64_t ticks = 0;
    for (int i = 7; i >= 0; --i) {
        ticks = (ticks << 8) | b[static_cast<std::size_t>(i)];
    }
    return static_cast<std::int64_t>(ticks / 600000000ull);
}

NameIndex::NameIndex(const std::vector<NamedProperty>& names) {
    for (const NamedProperty& n : names) {
        ids_[n.id] = true;
        if (!n.name) {
            byLid_[{n.guid, n.number}] = n.id;
        }
    }
}

std::optional<std::uint16_t> NameIndex::id(const std::array<std::uint8_t, 16>& set,
                                           std::uint32_t lid) const {
    const auto it = byLid_.find({set, lid});
    return it == byLid_.end() ? std::nullopt : std::optional(it->second);
}

void checkCalendarItem(const PropertyContext& pc, const std::string& messageClass,
                       const std::vector<AttachmentFacts>& attachments, const NameIndex& names,
                       const std::string& where, Report& r) {
    ItemCheck c(pc, names, where, r);
    if (messageClass.rfind("IPM.Appointment", 0) == 0) {
        checkAppointment(c, attachments);
    } else if (messageClass.rfind("IPM.Task", 0) == 0) {
        checkTask(c);
    }
}

}  // namespace tolvane::pstcheck
