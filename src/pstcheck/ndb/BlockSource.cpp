#include "pstcheck/ndb/BlockSource.h"

namespace tolvane::pstcheck {

std::optional<std::vector<std::uint8_t>> BlockSource::stream(std::uint64_t bid,
                                                             const std::string& from) {
    auto parts = leaves(bid, from);
    if (!parts) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> out;
    for (const auto& p : *parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

std::optional<std::uint64_t> BlockSource::streamSize(std::uint64_t bid, const std::string& from) {
    const auto parts = leaves(bid, from);
    if (!parts) {
        return std::nullopt;
    }
    std::uint64_t size = 0;
    for (const auto& p : *parts) {
        size += p.size();
    }
    return size;
}

}  // namespace tolvane::pstcheck
