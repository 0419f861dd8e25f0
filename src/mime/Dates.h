#pragma once

// RFC 5322 §3.3 dates (with §4.3 obsolete forms, via GMime's lenient parser) to Unix seconds,
// and the month-first forms of C's asctime and of some webmail.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tolvane::mime {

// `zoneless` is the zone of a date in the long month-first form that names none.
std::optional<std::int64_t> parseDate(std::string_view raw, std::string_view zoneless = "+0000");

// The date of a Received header: the text after its last ';' (RFC 5322 §3.6.7).
std::optional<std::int64_t> parseReceivedDate(std::string_view raw);

// The numeric zone ("+0200") of a Received header's date, if it has one.
std::optional<std::string> receivedZone(std::string_view raw);

// X-Zimbra-Received: an RFC 5322 date, or a bare count of seconds or milliseconds.
std::optional<std::int64_t> parseZimbraReceived(std::string_view raw);

}  // namespace tolvane::mime
