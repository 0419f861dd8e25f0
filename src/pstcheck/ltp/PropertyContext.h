#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "pstcheck/ltp/LtpNode.h"

namespace tolvane::pstcheck {

// [MS-PST] 2.3.3 property context: a BTH of {wPropId, wPropType, dwValueHnid}.
class PropertyContext {
  public:
    struct Entry {
        std::uint16_t type = 0;
        std::uint32_t value = 0;  // inline value or HNID
    };

    // Opens and checks the heap, the BTH and where every value lives.
    static std::optional<PropertyContext> open(BlockSource& blocks, std::uint64_t bidData,
                                               std::uint64_t bidSub, const std::string& where,
                                               Report& report);

    const std::map<std::uint16_t, Entry>& entries() const { return entries_; }
    const LtpNode& node() const { return node_; }

    // A property's bytes as stored: the four bytes of dwValueHnid for values held inline,
    // otherwise what the HNID names. Nothing when absent or unreadable.
    std::optional<std::vector<std::uint8_t>> value(std::uint16_t id) const;

    // Values by full tag (id << 16 | type); nothing when absent or of another type.
    std::optional<std::uint32_t> int32(std::uint32_t tag) const;
    std::optional<bool> boolean(std::uint32_t tag) const;
    std::optional<std::string> string(std::uint32_t tag) const;  // PtypString, as UTF-8
    std::optional<std::vector<std::uint8_t>> bytes(std::uint32_t tag) const;

  private:
    PropertyContext(LtpNode node, std::map<std::uint16_t, Entry> entries)
        : node_(std::move(node)), entries_(std::move(entries)) {}
    const Entry* find(std::uint32_t tag) const;

    LtpNode node_;
    std::map<std::uint16_t, Entry> entries_;
};

}  // namespace tolvane::pstcheck
