#pragma once

// Content-Language tags to Windows LCIDs (MS-LCID) for PidTagMessageLocaleId.

#include <cstdint>
#include <optional>
#include <string_view>

namespace tolvane::mime {

// The first language tag of a Content-Language value; nullopt for tags we do not know.
std::optional<std::int32_t> lcidOfContentLanguage(std::string_view value);

}  // namespace tolvane::mime
