#include "pstcheck/messaging/NameMap.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "pstcheck/ltp/PropTypes.h"
#include "pstcheck/ltp/PropertyContext.h"
#include "pstcheck/messaging/Ids.h"
#include "pstcheck/ndb/Crc.h"

namespace tolvane::pstcheck {
namespace {

constexpr std::uint32_t kBucketCount = 0x00010003, kGuidStream = 0x00020102,
                        kEntryStream = 0x00030102, kStringStream = 0x00040102;
constexpr std::uint16_t kFirstBucket = 0x1000;
constexpr std::uint32_t kGuidStreamBase = 3;  // wGuid 1 = PS_MAPI, 2 = PS_PUBLIC_STRINGS

struct NameId {
    std::uint32_t id;     // number, or string-stream offset (entry stream) / CRC (bucket)
    std::uint16_t word;   // N in bit 0, wGuid above
    std::uint16_t index;  // wPropIdx
    bool named() const { return (word & 1) != 0; }
};

NameId nameId(Bytes b, std::size_t o) {
    return {u32(b, o), u16(b, o + 4), u16(b, o + 6)};
}

// wGuid 1 and 2 name these sets without a GUID stream entry ([MS-OXPROPS] 1.3.2).
constexpr std::array<std::uint8_t, 16> kPsMapi = {0x28, 0x03, 0x02, 0, 0, 0, 0, 0,
                                                  0xC0, 0,    0,    0, 0, 0, 0, 0x46};
constexpr std::array<std::uint8_t, 16> kPsPublicStrings = {0x29, 0x03, 0x02, 0, 0, 0, 0, 0,
                                                           0xC0, 0,    0,    0, 0, 0, 0, 0x46};

// The name at a string-stream offset: a 4-byte length, then UTF-16LE.
std::optional<Bytes> nameAt(Bytes strings, std::uint32_t offset) {
    if (offset % 4 != 0 || offset + 4ull > strings.size() ||
        offset + 4ull + u32(strings, offset) > strings.size()) {
        return std::nullopt;
    }
    return strings.subspan(offset + 4, u32(strings, offset));
}

}  // namespace

std::vector<NamedProperty> namedProperties(const PropertyContext& pc) {
    const auto guids = pc.bytes(kGuidStream).value_or(std::vector<std::uint8_t>{});
    const auto entries = pc.bytes(kEntryStream).value_or(std::vector<std::uint8_t>{});
    const auto strings = pc.bytes(kStringStream).value_or(std::vector<std::uint8_t>{});
    std::vector<NamedProperty> out;
    for (std::size_t i = 0; i < entries.size() / 8; ++i) {
        const NameId e = nameId(Bytes(entries), 8 * i);
        const std::uint32_t guid = e.word >> 1;
        NamedProperty p;
        p.id = static_cast<std::uint16_t>(0x8000 + e.index);
        if (guid == 1 || guid == 2) {
            p.guid = guid == 1 ? kPsMapi : kPsPublicStrings;
        } else if (guid >= kGuidStreamBase && guid - kGuidStreamBase < guids.size() / 16) {
            std::copy_n(guids.begin() + 16 * (guid - kGuidStreamBase), 16, p.guid.begin());
        } else {
            continue;
        }
        if (e.named()) {
            const auto name = nameAt(Bytes(strings), e.id);
            if (!name) {
                continue;
            }
            p.name = utf8(*name);
        } else {
            p.number = e.id;
        }
        out.push_back(std::move(p));
    }
    return out;
}

NameIndex::NameIndex(const std::vector<NamedProperty>& names) {
    for (const NamedProperty& n : names) {
        ids_.insert(n.id);
        if (!n.name) {
            byLid_[{n.guid, n.number}] = n.id;
        }
    }
}

std::optional<std::uint16_t> NameIndex::id(const std::array<std::uint8_t, 16>& set,
                                           std::uint32_t lid) const {
    const auto it = byLid_.find({set, lid});
    return it == byLid_.end() ? std::nullopt : std::optional(it->second);
}

std::optional<std::uint32_t> checkNameMap(const BTrees& trees, BlockSource& blocks, Report& r) {
    const std::string where = "nid " + hex(nid::kNameToIdMap);
    const auto node = trees.nbt.find(nid::kNameToIdMap);
    if (node == trees.nbt.end()) {
        r.add("NAMEID_MAP", "missing", "the name-to-id map node does not exist", where);
        return std::nullopt;
    }
    const auto pc =
        PropertyContext::open(blocks, node->second.bidData, node->second.bidSub, where, r);
    if (!pc) {
        return std::nullopt;
    }
    const auto buckets = pc->int32(kBucketCount);
    if (!buckets || *buckets == 0) {
        r.add("NAMEID_MAP", "PidTagNameidBucketCount", "missing or 0", where);
        return std::nullopt;
    }
    const auto guids = pc->bytes(kGuidStream).value_or(std::vector<std::uint8_t>{});
    const auto entries = pc->bytes(kEntryStream).value_or(std::vector<std::uint8_t>{});
    const auto strings = pc->bytes(kStringStream).value_or(std::vector<std::uint8_t>{});
    if (guids.size() % 16 != 0) {
        r.add("NAMEID_MAP", "GUID stream", std::to_string(guids.size()) + " bytes, not 16 each",
              where);
    }
    if (entries.size() % 8 != 0) {
        r.add("NAMEID_MAP", "entry stream", std::to_string(entries.size()) + " bytes, not 8 each",
              where);
    }
    const std::size_t count = entries.size() / 8;
    // Expected bucket contents: (bucket, hashed id, word, index) for every entry.
    std::multiset<std::tuple<std::uint32_t, std::uint32_t, std::uint16_t, std::uint16_t>> want;
    for (std::size_t i = 0; i < count; ++i) {
        const NameId e = nameId(Bytes(entries), 8 * i);
        const std::string at_ = where + ", entry " + std::to_string(i);
        if (e.index != i) {
            r.add("NAMEID", "wPropIdx",
                  "is " + std::to_string(e.index) + ", entry is at " + std::to_string(i), at_);
        }
        const std::uint32_t guid = e.word >> 1;
        if (guid == 0 || (guid >= kGuidStreamBase && guid - kGuidStreamBase >= guids.size() / 16)) {
            r.add("NAMEID", "wGuid",
                  "is " + std::to_string(guid) + " with " + std::to_string(guids.size() / 16) +
                      " GUIDs in the "
                      "stream",
                  at_);
        }
        std::uint32_t hashed = e.id;
        if (e.named()) {
            const auto name = nameAt(Bytes(strings), e.id);
            if (!name) {
                r.add("NAMEID", "dwPropertyID",
                      "string offset " + hex(e.id) + " is not a name in the string stream", at_);
                continue;
            }
            hashed = pstCrc(*name);
        }
        want.emplace((hashed ^ e.word) % *buckets, hashed, e.word, e.index);
    }
    std::multiset<std::tuple<std::uint32_t, std::uint32_t, std::uint16_t, std::uint16_t>> got;
    for (const auto& [id, entry] : pc->entries()) {
        if (id < kFirstBucket) {
            continue;
        }
        const std::uint32_t bucket = id - kFirstBucket;
        const std::string at_ = where + ", bucket " + std::to_string(bucket);
        if (bucket >= *buckets || entry.type != 0x0102) {
            r.add("NAMEID_MAP", "bucket", "property " + hex(id) + " is no bucket", at_);
            continue;
        }
        const auto data = pc->bytes((static_cast<std::uint32_t>(id) << 16) | 0x0102);
        if (!data || data->size() % 8 != 0) {
            r.add("NAMEID_MAP", "bucket", "not a whole number of 8-byte entries", at_);
            continue;
        }
        for (std::size_t o = 0; o < data->size(); o += 8) {
            const NameId e = nameId(Bytes(*data), o);
            got.emplace(bucket, e.id, e.word, e.index);
        }
    }
    if (got != want) {
        std::size_t missing = 0, extra = 0;
        for (const auto& w : want) {
            missing += got.count(w) < want.count(w) ? 1 : 0;
        }
        for (const auto& g : got) {
            extra += want.count(g) < got.count(g) ? 1 : 0;
        }
        r.add("NAMEID_MAP", "buckets",
              std::to_string(missing) +
                  " entry(ies) missing from "
                  "their bucket, " +
                  std::to_string(extra) + " bucket entry(ies) matching no entry",
              where);
    }
    return static_cast<std::uint32_t>(count);
}

}  // namespace tolvane::pstcheck
