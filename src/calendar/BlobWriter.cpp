#include "calendar/BlobWriter.h"

#include "text/Utf8.h"

namespace tolvane::calendar {

std::u16string utf16Of(std::string_view s) {
    std::u16string out;
    for (std::size_t i = 0; i < s.size();) {
        const text::DecodedChar c = text::decodeUtf8(s, i);
        const text::Utf16Units units = text::utf16UnitsOf(c.point);
        out.push_back(units.first);
        if (units.count == 2) {
            out.push_back(units.second);
        }
        i += c.length;
    }
    return out;
}

}  // namespace tolvane::calendar
