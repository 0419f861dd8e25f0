#pragma once

// RFC 5322 §3.3 dates (with §4.3 obsolete forms, via GMime's lenient parser) to Unix seconds.

#include <cstdint>
#include <optional>
#include <string_view>

namespace tolvane::mime {

std::optional<std::int64_t> parseDate(std::string_view raw);

// The date of a Received header: the text after its last ';' (RFC 5322 §3.6.7).
std::optional<std::int64_t> parseReceivedDate(std::string_view raw);

// X-Zimbra-Received: an RFC 5322 date, or a bare count of seconds or milliseconds.
std::optional<std::int64_t> parseZimbraReceived(std::string_view raw);

}  // namespace tolvane::mime
