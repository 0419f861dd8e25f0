#include "source/MetaEntry.h"

#include <cstdio>

namespace tolvane::source {

namespace {

constexpr std::string_view kWithoutState =
    "; its item is read without its state (read, flags, tags, folder)";

}  // namespace

std::optional<Meta> readMeta(std::string_view text, const std::string& source,
                             const std::string& entry, const std::function<void(Problem)>& report) {
    try {
        return parseMeta(text);
    } catch (const MetaError& e) {
        const ProblemKind kind = e.reason() == MetaError::Reason::UnknownVersion
                                     ? ProblemKind::MetaVersionUnknown
                                     : ProblemKind::MetaUnreadable;
        report({kind, source, entry,
                "the .meta cannot be used: " + std::string(e.what()) + std::string(kWithoutState),
                false});
        return std::nullopt;
    }
}

std::string tooLargeMetaReason(const ReadLimits& limits) {
    return "the .meta is larger than " + sizeText(limits.largestMeta) +
           ", more than Zimbra writes" + std::string(kWithoutState);
}

std::string sizeText(std::uint64_t bytes) {
    constexpr const char* kUnits[] = {"bytes", "KiB", "MiB", "GiB", "TiB"};
    double value = static_cast<double>(bytes);
    std::size_t unit = 0;
    while (value >= 1024 && unit + 1 < std::size(kUnits)) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    if (unit == 0 || value == static_cast<double>(static_cast<std::uint64_t>(value)))
        std::snprintf(text, sizeof text, "%.0f %s", value, kUnits[unit]);
    else
        std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
    return text;
}

}  // namespace tolvane::source
