#include "pstcheck/Report.h"

#include <cstdint>
#include <cstdio>

namespace tolvane::pstcheck {

void Report::add(std::string structure, std::string field, std::string detail,
                 std::string location) {
    problems_.push_back(
        {std::move(structure), std::move(field), std::move(detail), std::move(location)});
}

void Report::tolerate(std::string structure, std::string field, std::string detail,
                      std::string location) {
    if (strict_) {
        add(std::move(structure), std::move(field), std::move(detail) + " (strict)",
            std::move(location));
    } else {
        ++tolerated_;
    }
}

void Report::note(std::string structure, std::string field, std::string detail,
                  std::string location) {
    notes_.push_back(
        {std::move(structure), std::move(field), std::move(detail), std::move(location)});
}

bool Report::has(std::string_view structure, std::string_view field,
                 std::string_view locationPart) const {
    for (const auto& p : problems_) {
        if (p.structure == structure && p.field == field &&
            p.location.find(locationPart) != std::string::npos) {
            return true;
        }
    }
    return false;
}

std::string format(const Problem& p) {
    return p.structure + "." + p.field + ": " + p.detail + " [" + p.location + "]";
}

std::string hex(std::uint64_t value) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(value));
    return buf;
}

std::string at(std::uint64_t offset) {
    return "at " + hex(offset);
}

}  // namespace tolvane::pstcheck
