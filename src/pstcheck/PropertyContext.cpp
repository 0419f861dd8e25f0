#include "pstcheck/PropertyContext.h"

#include "pstcheck/Bth.h"
#include "pstcheck/Format.h"
#include "pstcheck/PropTypes.h"

namespace tolvane::pstcheck {
namespace {

// Where a value lives [2.3.3.3]: checks the HNID and the size it names.
void checkValue(const LtpNode& node, std::uint16_t id, std::uint16_t type, std::uint32_t value,
                Report& r) {
    const std::string where = node.where() + ", property " + hex(id) + " type " + hex(type);
    const auto fixed = fixedSize(type);
    if (fixed && *fixed <= 4) {
        return;  // inline
    }
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
    } else if (fixed && multiValued(type) && *size % *fixed != 0) {
        r.add("PC", "value size", "multi-valued array of " + std::to_string(*size) + " bytes",
              where);
    }
}

}  // namespace

std::optional<PropertyContext> PropertyContext::open(BlockStore& blocks, std::uint64_t bidData,
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
    const auto records = readBth(node->heap(), node->heap().userRoot(), 2, 6, r);
    if (!records) {
        return std::nullopt;
    }
    std::map<std::uint16_t, Entry> entries;
    for (const BthRecord& rec : *records) {
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
