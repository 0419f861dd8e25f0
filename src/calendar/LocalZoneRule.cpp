#include "calendar/LocalZoneRule.h"

#include <cstdio>
#include <cstdlib>

namespace tolvane::calendar {
namespace {

// "+0100" for a zone 60 minutes east of UTC.
std::string offsetText(int minutesEast) {
    char text[8];
    const int magnitude = std::abs(minutesEast);
    std::snprintf(text, sizeof text, "%c%02d%02d", minutesEast < 0 ? '-' : '+',
                  (magnitude / 60) % 100, magnitude % 60);
    return text;
}

std::string observance(const char* kind, const ZoneTransition& at, int from, int to) {
    static const char* const kDays[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};
    char start[32];
    // A yearly rule starts in 1601, as Outlook's own definitions do.
    if (at.year != 0) {
        std::snprintf(start, sizeof start, "%04d%02d%02dT%02d%02d00", at.year, at.month, at.week,
                      at.hour, at.minute);
    } else {
        std::snprintf(start, sizeof start, "16010101T%02d%02d00", at.hour, at.minute);
    }
    std::string text = std::string("BEGIN:") + kind + "\r\nDTSTART:" + start +
                       "\r\nTZOFFSETFROM:" + offsetText(from) + "\r\nTZOFFSETTO:" + offsetText(to) +
                       "\r\n";
    if (at.year == 0) {
        const int week = at.week >= 5 ? -1 : at.week;
        text += "RRULE:FREQ=YEARLY;BYMONTH=" + std::to_string(at.month) +
                ";BYDAY=" + std::to_string(week) + kDays[(at.dayOfWeek % 7 + 7) % 7] + "\r\n";
    }
    return text + "END:" + kind + "\r\n";
}

}  // namespace

std::string vtimezoneOf(const LocalZoneRule& rule) {
    const int standard = -(rule.bias + rule.standardBias);
    const int daylight = -(rule.bias + rule.daylightBias);
    std::string text = "BEGIN:VTIMEZONE\r\nTZID:" + rule.name + "\r\n";
    if (rule.toStandard.month == 0 || rule.toDaylight.month == 0) {
        text +=
            "BEGIN:STANDARD\r\nDTSTART:16010101T000000\r\nTZOFFSETFROM:" + offsetText(standard) +
            "\r\nTZOFFSETTO:" + offsetText(standard) + "\r\nEND:STANDARD\r\n";
    } else {
        text += observance("STANDARD", rule.toStandard, daylight, standard);
        text += observance("DAYLIGHT", rule.toDaylight, standard, daylight);
    }
    return text + "END:VTIMEZONE\r\n";
}

}  // namespace tolvane::calendar
