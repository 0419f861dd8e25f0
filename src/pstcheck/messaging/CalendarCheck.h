#pragma once

// Appointment and task items (MS-OXOCAL 2.2.1, 2.2.10; MS-OXOTASK 2.2.2): the properties
// Outlook needs, each named property found through the store's name-to-id map, and the
// recurrence blobs parsed and held against the start, end and clip properties and the
// exception attachments.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "pstcheck/Report.h"
#include "pstcheck/ltp/PropertyContext.h"
#include "pstcheck/messaging/NameMap.h"

namespace tolvane::pstcheck {

// The store's named properties by property set and LID.
class NameIndex {
  public:
    NameIndex() = default;
    explicit NameIndex(const std::vector<NamedProperty>& names);
    std::optional<std::uint16_t> id(const std::array<std::uint8_t, 16>& set,
                                    std::uint32_t lid) const;
    bool hasId(std::uint16_t id) const { return ids_.contains(id); }

  private:
    std::map<std::pair<std::array<std::uint8_t, 16>, std::uint32_t>, std::uint16_t> byLid_;
    std::map<std::uint16_t, bool> ids_;
};

// What the message check saw of one attachment.
struct AttachmentFacts {
    std::optional<std::uint32_t> flags;          // PidTagAttachmentFlags
    std::optional<std::int64_t> replaceMinutes;  // PidTagExceptionReplaceTime, minutes since 1601
    bool embedded = false;
};

// Checks an IPM.Appointment or IPM.Task; other classes are left alone.
void checkCalendarItem(const PropertyContext& pc, const std::string& messageClass,
                       const std::vector<AttachmentFacts>& attachments, const NameIndex& names,
                       const std::string& where, Report& r);

// FILETIME bytes to minutes since 1601.
std::int64_t fileTimeMinutes(const std::vector<std::uint8_t>& bytes);

}  // namespace tolvane::pstcheck
