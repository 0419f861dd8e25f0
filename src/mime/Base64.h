#pragma once

// Small base64 helpers for header-sized values (RFC 2045 §6.8 alphabet).

#include <optional>
#include <string>
#include <string_view>

namespace tolvane::mime {

// nullopt when a character outside the alphabet (and whitespace) appears.
std::optional<std::string> base64Decode(std::string_view text);
std::string base64Encode(std::string_view bytes);

}  // namespace tolvane::mime
