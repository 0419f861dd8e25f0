#pragma once

// An RRULE as Outlook's recurrence pattern (MS-OXCICAL 2.1.3.2.1 maps the two). Outlook has
// fewer kinds of rule than iCalendar: what the pattern cannot say is listed, and the rule the
// pattern does say is given back as RRULE text, so its occurrences can be counted by libical.

#include <libical/ical.h>

#include <optional>
#include <string>
#include <vector>

#include "calendar/CivilTime.h"
#include "calendar/RecurrencePattern.h"

namespace tolvane::calendar {

struct RuleMapping {
    // The pattern's kind, period, days and first day of the week; the end and the dates
    // are the series' to fill in. None when Outlook has no pattern of the rule's frequency.
    std::optional<RecurrencePattern> pattern;
    // What the pattern leaves out or changes, one phrase each ("BYHOUR=9,17").
    std::vector<std::string> lost;
    // The rule the pattern expresses, without COUNT or UNTIL.
    std::string storedRule;
};

RuleMapping mapRule(const icalrecurrencetype& rule, CivilDate start);

// The pattern's first day, end, count and last day, from the occurrences of the rule as stored.
void setRange(RecurrencePattern& p, const icalrecurrencetype& rule,
              const std::vector<std::int64_t>& occurrences);

// The occurrences of the stored rule from `start` with the original rule's COUNT or UNTIL, as
// wall-clock minutes in `zone` (null: UTC): all of them for a bounded rule (at most
// `maxCount`), up to `horizon` for one without end.
std::vector<std::int64_t> occurrencesOf(const std::string& storedRule,
                                        const icalrecurrencetype& rule, icaltimetype start,
                                        icaltimezone* zone, std::int64_t horizon,
                                        std::size_t maxCount);

}  // namespace tolvane::calendar
