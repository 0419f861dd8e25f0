#include "calendar/ZoneBlobs.h"

#include "calendar/BlobWriter.h"
#include "text/Utf16.h"

namespace tolvane::calendar {
namespace {

constexpr std::uint8_t kMajorVersion = 0x02;
constexpr std::uint8_t kMinorVersion = 0x01;
constexpr std::uint16_t kRuleReserved = 0x003E;
constexpr std::uint16_t kDefinitionReserved = 0x0002;
constexpr std::size_t kMaxKeyName = 260;

// SYSTEMTIME (MS-DTYP 2.3.13) in its relative form; all zero when the zone has no change.
void systemTime(BlobWriter& w, const std::optional<ZoneChange>& c) {
    if (!c) {
        w.zeros(16);
        return;
    }
    w.u16(0);  // wYear: every year
    w.u16(static_cast<std::uint16_t>(c->month));
    w.u16(static_cast<std::uint16_t>(c->dayOfWeek));
    w.u16(static_cast<std::uint16_t>(c->week));
    w.u16(static_cast<std::uint16_t>(c->hour));
    w.u16(static_cast<std::uint16_t>(c->minute));
    w.u16(0);
    w.u16(0);
}

bool hasDaylight(const ZoneRule& r) {
    return r.toStandard && r.toDaylight;
}

}  // namespace

mapi::Bytes timeZoneStruct(const ZoneRule& rule) {
    BlobWriter w;
    w.i32(rule.bias);
    w.i32(0);  // lStandardBias
    w.i32(hasDaylight(rule) ? rule.daylightBias : 0);
    w.u16(0);  // wStandardYear
    systemTime(w, hasDaylight(rule) ? rule.toStandard : std::nullopt);
    w.u16(0);  // wDaylightYear
    systemTime(w, hasDaylight(rule) ? rule.toDaylight : std::nullopt);
    return w.take();
}

mapi::Bytes timeZoneDefinition(const Zone& zone, std::optional<int> recurYear) {
    std::u16string key = text::utf16Of(zone.name);
    if (key.size() > kMaxKeyName) {
        key.resize(kMaxKeyName);
    }
    const ZoneRule* recur = recurYear ? &zone.ruleFor(*recurYear) : nullptr;
    BlobWriter w;
    w.u8(kMajorVersion);
    w.u8(kMinorVersion);
    w.u16(static_cast<std::uint16_t>(6 + 2 * key.size()));  // cbHeader: the fields up to the rules
    w.u16(kDefinitionReserved);
    w.u16(static_cast<std::uint16_t>(key.size()));
    w.utf16(key);
    w.u16(static_cast<std::uint16_t>(zone.rules.size()));
    for (const ZoneRule& r : zone.rules) {
        std::uint16_t flags = &r == &zone.rules.back() ? kRuleEffective : 0;
        if (&r == recur) {
            flags |= kRuleRecurCurrent;
        }
        w.u8(kMajorVersion);
        w.u8(kMinorVersion);
        w.u16(kRuleReserved);
        w.u16(flags);
        w.u16(static_cast<std::uint16_t>(r.year));
        w.zeros(14);
        w.i32(r.bias);
        w.i32(0);
        w.i32(hasDaylight(r) ? r.daylightBias : 0);
        systemTime(w, hasDaylight(r) ? r.toStandard : std::nullopt);
        systemTime(w, hasDaylight(r) ? r.toDaylight : std::nullopt);
    }
    return w.take();
}

}  // namespace tolvane::calendar
