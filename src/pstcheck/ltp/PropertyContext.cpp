#include "pstcheck/ltp/PropertyContext.h"

#include "pstcheck/ltp/Bth.h"
#include "pstcheck/ltp/Format.h"
#include "pstcheck/ltp/PropTypes.h"
#include "pstcheck/ndb/Format.h"

namespace tolvane::pstcheck {
namespace {

// [2.3.3.4.2] variable-size multi-valued: ulCount, then ulCount offsets into the same value.
void checkMultiValued(const LtpNode& node, std::uint16_t type, std::uint32_t value,
                      const std::string& where, Report& r) {
    const auto data = node.value(value);
    if (!data || data->empty()) {
        return;
    }
    const Bytes b(*data);
    const std::uint32_t count = b.size() >= 4 ? u32(b, 0) : 0;
    if (b.size() < 4 || (b.size() - 4) / 4 < count) {
        r.add("PC", "ulCount",
              std::to_string(count) + " values do not fit " + std::to_string(b.size()) + " bytes",
              where);
        return;
    }
    std::uint32_t previous = 4 + 4 * count;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t start = u32(b, 4 + 4 * i);
        const std::uint32_t end =
            i + 1 < count ? u32(b, 4 + 4 * (i + 1)) : static_cast<std::uint32_t>(b.size());
        if (start != previous || end < start || end > b.size() ||
            (type == 0x101F && (end - start) % 2 != 0)) {
            r.add("PC", "rgulDataOffsets",
                  "value " + std::to_string(i) + " at " + std::to_string(start) + ".." +
                      std::to_string(end) + " is out of order or out of bounds",
                  where);
            return;
        }
        previous = end;
    }
}

// Where a value lives [2.3.3.3]: checks the HNID and the size it names.
void checkValue(const LtpNode& node, std::uint16_t id, std::uint16_t type, std::uint32_t value,
                Report& r) {
    const std::string where = node.where() + ", property " + hex(id) + " type " + hex(type);
    if (inlineValue(type)) {
        return;
    }
    const auto fixed = fixedSize(type);
    if (!node.resolvable(value)) {
        r.add("PC", "dwValueHnid", hex(value) + " names neither a heap item nor a subnode", where);
        return;
    }
    const auto size = node.size(value);
    if (!size) {
        r.add("PC", "dwValueHnid", "value " + hex(value) + " cannot be read", where);
        return;
    }
    if (fixed && *size != *fixed) {
        r.add("PC", "value size",
              std::to_string(*size) + " bytes for a " + std::to_string(*fixed) + "-byte type",
              where);
    } else if (type == 0x001F && *size % 2 != 0) {
        r.add("PC", "value size", "odd byte count " + std::to_string(*size) + " for UTF-16", where);
    } else if (type == 0x000D && *size != 8 && value != 0) {
        r.add("PC", "value size", "PtypObject item is " + std::to_string(*size) + " bytes, not 8",
              where);
    } else if (multiValued(type)) {
        // Fixed-size elements are packed; variable ones carry a count and offsets.
        if (const auto element = fixedSize(type & 0x0FFF)) {
            if (*size % *element != 0) {
                r.add("PC", "value size",
                      "multi-valued array of " + std::to_string(*size) + " bytes", where);
            }
        } else {
            checkMultiValued(node, type, value, where, r);
        }
    }
}

}  // namespace

std::optional<PropertyContext> PropertyContext::open(BlockSource& blocks, std::uint64_t bidData,
                                                     std::uint64_t bidSub, const std::string& where,
                                                     Report& r) {
    auto node = LtpNode::open(blocks, bidData, bidSub, where, r);
    if (!node) {
        return std::nullopt;
    }
    if (node->heap().clientSig() != fmt::kClientPc) {
        r.add("HNHDR", "bClientSig",
              "is " + hex(node->heap().clientSig()) + ", a property context needs 0xBC", where);
        return std::nullopt;
    }
    const auto bth = readBth(node->heap(), node->heap().userRoot(), 2, 6, r);
    if (!bth) {
        return std::nullopt;
    }
    std::map<std::uint16_t, Entry> entries;
    for (const BthRecord& rec : bth->records) {
        const auto id = static_cast<std::uint16_t>(rec.key);
        const Entry e{u16(rec.data, 0), u32(rec.data, 2)};
        if (!knownType(e.type)) {
            r.add("PC", "wPropType", "unknown type " + hex(e.type) + " for property " + hex(id),
                  where);
            continue;
        }
        checkValue(*node, id, e.type, e.value, r);
        entries[id] = e;
    }
    return PropertyContext(std::move(*node), std::move(entries));
}

const PropertyContext::Entry* PropertyContext::find(std::uint32_t tag) const {
    const auto it = entries_.find(static_cast<std::uint16_t>(tag >> 16));
    if (it == entries_.end() || it->second.type != (tag & 0xFFFF)) {
        return nullptr;
    }
    return &it->second;
}

std::optional<std::vector<std::uint8_t>> PropertyContext::value(std::uint16_t id) const {
    const auto it = entries_.find(id);
    if (it == entries_.end()) {
        return std::nullopt;
    }
    if (inlineValue(it->second.type)) {
        const std::uint32_t v = it->second.value;
        return std::vector<std::uint8_t>{
            static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    }
    return node_.value(it->second.value);
}

std::optional<std::uint32_t> PropertyContext::int32(std::uint32_t tag) const {
    const Entry* e = find(tag);
    return e ? std::optional(e->value) : std::nullopt;
}

std::optional<bool> PropertyContext::boolean(std::uint32_t tag) const {
    const Entry* e = find(tag);
    return e ? std::optional((e->value & 0xFF) != 0) : std::nullopt;
}

std::optional<std::vector<std::uint8_t>> PropertyContext::bytes(std::uint32_t tag) const {
    const Entry* e = find(tag);
    return e ? node_.value(e->value) : std::nullopt;
}

std::optional<std::string> PropertyContext::string(std::uint32_t tag) const {
    const auto b = bytes(tag);
    return b ? std::optional(utf8(*b)) : std::nullopt;
}

}  // namespace tolvane::pstcheck
