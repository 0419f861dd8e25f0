#pragma once

// iCalendar to appointments and tasks. One call takes one iCalendar text (a loose .ics file,
// an archive's .ics or .task entry) or the text/calendar parts of one Zimbra calendar blob
// (.appt/.task), and hands each item to the sink as soon as it is built: a VEVENT series with
// its changed occurrences becomes one IPM.Appointment, a VTODO one IPM.Task. What could not be
// stored as it was comes back as problems naming the source, the item and what was done.
//
//   CalendarImporter importer({.localZone = "Europe/Berlin"});
//   auto result = importer.importText(text, "work.ics", [&](CalendarItem item) { ... });

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "calendar/Report.h"
#include "mapi/Message.h"

namespace tolvane::calendar {

enum class ItemKind { Appointment, Task };

struct CalendarItem {
    ItemKind kind = ItemKind::Appointment;
    std::string description;  // "VEVENT 'Subject' at line 12", as problems name it
    mapi::Message message;
};

using ItemSink = std::function<void(CalendarItem)>;

struct ImportOptions {
    // The zone all-day dates and floating times are placed in (a TZID libical knows, such as
    // "Europe/Berlin"): Outlook stores every time as UTC. Empty: UTC.
    std::string localZone;
    // A VTIMEZONE of that TZID, for a zone libical has no data of: Windows' own zone, made
    // from its rule (LocalZoneRule). Empty: `localZone` is looked up in libical's zones.
    std::string localZoneDefinition = {};
};

struct ImportResult {
    std::size_t items = 0;
    std::vector<Problem> problems;
};

class CalendarImporter {
  public:
    explicit CalendarImporter(ImportOptions options = {}) : options_(std::move(options)) {}

    ImportResult importText(std::string_view text, const std::string& source,
                            const ItemSink& sink) const;
    // Several texts read as one calendar: the VTIMEZONEs of each serve all, and a series and
    // its changed occurrences may be in different texts.
    ImportResult importTexts(const std::vector<std::string>& texts, const std::string& source,
                             const ItemSink& sink) const;
    // Zimbra's stored calendar MIME: every text/calendar part of the blob, at any depth.
    ImportResult importMime(std::span<const std::uint8_t> blob, const std::string& source,
                            const ItemSink& sink) const;

  private:
    ImportOptions options_;
};

}  // namespace tolvane::calendar
