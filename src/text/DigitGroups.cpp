#include "text/DigitGroups.h"

namespace tolvane::text {

// Not std::locale's grouping: the texts of both windows and the command line are English
// whatever the locale, and a locale's separator would change them.
std::string groupedDecimal(std::uint64_t count) {
    const std::string digits = std::to_string(count);
    std::string grouped;
    for (std::size_t at = 0; at < digits.size(); ++at) {
        if (at > 0 && (digits.size() - at) % 3 == 0) {
            grouped.push_back(',');
        }
        grouped.push_back(digits[at]);
    }
    return grouped;
}

}  // namespace tolvane::text
