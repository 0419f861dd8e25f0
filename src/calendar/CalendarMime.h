#pragma once

// The iCalendar texts in Zimbra's stored calendar MIME (.appt/.task entries of an archive):
// every text/calendar part at any depth, attached messages included, decoded to UTF-8.
//
// GMime walks the MIME rather than a scan of our own: the parts come base64 or
// quoted-printable encoded and in declared charsets, which GMime's filters (and the MIME
// import's charset table) already decode.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "calendar/Report.h"

namespace tolvane::calendar {

std::vector<std::string> calendarParts(std::span<const std::uint8_t> blob,
                                       const std::string& source, std::vector<Problem>& problems);

}  // namespace tolvane::calendar
