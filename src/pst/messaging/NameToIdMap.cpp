#include "pst/messaging/NameToIdMap.h"

#include "mapi/Tags.h"
#include "pst/PstError.h"
#include "pst/ltp/PropertyContextWriter.h"
#include "pst/ndb/ByteOrder.h"
#include "pst/ndb/Crc.h"
#include "text/Utf16.h"

namespace tolvane::pst::messaging {

namespace {

constexpr std::uint32_t kBucketCount = 251;  // the value of PidTagNameidBucketCount
constexpr std::uint16_t kFirstNamedId = 0x8000;
constexpr std::uint16_t kLastNamedId = 0xFFFE;
// wGuid values that need no GUID stream entry ([MS-PST] 2.4.7.1).
constexpr std::uint16_t kGuidPsMapi = 1;
constexpr std::uint16_t kGuidPublicStrings = 2;
constexpr std::uint16_t kFirstStreamGuid = 3;

// The names in Outlook's new store, in its order, so ids 0x8000-0x8022 mean what Outlook's
// own tables (the IPM subtree's contents columns, named in tag::outlook) expect. Those the
// program itself uses come from the tag table; the others are as Outlook lists them.
std::vector<mapi::NamedProperty> outlookNames() {
    using mapi::NamedProperty;
    namespace set = mapi::propset;
    namespace named = mapi::named;
    const mapi::Guid appointment = set::appointment();
    const mapi::Guid headers = set::internetHeaders();
    const mapi::Guid common = set::common();
    const mapi::Guid publicStrings = set::publicStrings();
    const mapi::Guid remote = set::remote();
    return {
        NamedProperty::byId(appointment, 0x8205),
        NamedProperty::byId(appointment, 0x8223),
        NamedProperty::byId(appointment, 0x8231),
        NamedProperty::byId(appointment, 0x8216),
        NamedProperty::byId(appointment, 0x820D),
        NamedProperty::byId(appointment, 0x820E),
        NamedProperty::byId(appointment, 0x8235),
        NamedProperty::byId(appointment, 0x8236),
        NamedProperty::byId(appointment, 0x8233),
        named::kContentClass.property(),
        NamedProperty::byName(publicStrings, "DRMLicense"),
        NamedProperty::byName(headers, "x-cr-hashedpuzzle"),
        NamedProperty::byName(headers, "x-cr-puzzleid"),
        named::kInternetAccountName.property(),
        named::kInternetAccountStamp.property(),
        NamedProperty::byName(publicStrings,
                              "urn:schemas-microsoft-com:office:outlook#storetypeprivate"),
        named::kSideEffects.property(),
        NamedProperty::byId(common, 0x8578),
        NamedProperty::byName(set::mentions(), "IsMentioned"),
        named::kKeywords.property(),
        NamedProperty::byId(remote, 0x8F05),
        named::kSmartNoAttach.property(),
        NamedProperty::byId(remote, 0x8F07),
        named::kReminderSet.property(),
        NamedProperty::byId(common, 0x85A8),
        named::kReminderTime.property(),
        named::kTaskStartDate.property(),
        named::kTaskDueDate.property(),
        named::kTaskComplete.property(),
        NamedProperty::byName(headers, "x-ms-exchange-organization-authdomain"),
        NamedProperty::byName(publicStrings, "DoNotForward"),
        NamedProperty::byId(common, 0x8570),
        named::kTaskStatus.property(),
        NamedProperty::byId(common, 0x85E0),
        named::kCurrentVersion.property(),
    };
}

void append(std::vector<std::uint8_t>& out, std::uint32_t dw, std::uint16_t w1, std::uint16_t w2) {
    const std::size_t at = out.size();
    out.resize(at + 8);
    ndb::le::put32(out, at, dw);
    ndb::le::put16(out, at + 4, w1);
    ndb::le::put16(out, at + 6, w2);
}

}  // namespace

NameToIdMap::NameToIdMap() {
    for (const mapi::NamedProperty& name : outlookNames()) {
        idFor(name);
    }
}

std::uint16_t NameToIdMap::guidIndex(const mapi::Guid& guid) const {
    if (guid == mapi::propset::mapi()) {
        return kGuidPsMapi;
    }
    if (guid == mapi::propset::publicStrings()) {
        return kGuidPublicStrings;
    }
    for (std::size_t i = 0; i < guids_.size(); ++i) {
        if (guids_[i] == guid) {
            return static_cast<std::uint16_t>(kFirstStreamGuid + i);
        }
    }
    return 0;
}

std::uint16_t NameToIdMap::idFor(const mapi::NamedProperty& name) {
    if (auto found = ids_.find(name); found != ids_.end()) {
        return found->second;
    }
    if (names_.size() > kLastNamedId - kFirstNamedId) {
        throw PstError("name-to-id map: no property ids left for named properties");
    }
    if (guidIndex(name.propertySet) == 0) {
        guids_.push_back(name.propertySet);
    }
    const auto id = static_cast<std::uint16_t>(kFirstNamedId + names_.size());
    names_.push_back(name);
    ids_.emplace(name, id);
    return id;
}

std::vector<std::pair<std::uint16_t, const mapi::PropValue*>> NameToIdMap::resolve(
    const mapi::PropertyList& props) {
    std::vector<std::pair<std::uint16_t, const mapi::PropValue*>> out;
    for (const auto& [id, value] : props.tagged()) {
        out.emplace_back(id, &value);
    }
    for (const auto& [name, value] : props.named()) {
        out.emplace_back(idFor(name), &value);
    }
    return out;
}

// [MS-PST] 2.4.7: the GUID stream, the entry stream (NAMEID per name), the string stream
// (length-prefixed UTF-16LE, 4-byte aligned) and the hash buckets.
ltp::NodeContent NameToIdMap::write(ndb::BlockWriter& db) const {
    std::vector<std::uint8_t> guidStream;
    for (const mapi::Guid& g : guids_) {
        guidStream.insert(guidStream.end(), g.bytes.begin(), g.bytes.end());
    }
    std::vector<std::uint8_t> entries;
    std::vector<std::uint8_t> strings;
    std::map<std::uint32_t, std::vector<std::uint8_t>> buckets;
    for (std::size_t i = 0; i < names_.size(); ++i) {
        const mapi::NamedProperty& name = names_[i];
        const bool isString = !name.lid.has_value();
        const auto word =
            static_cast<std::uint16_t>((guidIndex(name.propertySet) << 1) | (isString ? 1 : 0));
        const auto index = static_cast<std::uint16_t>(i);
        std::uint32_t key = 0;
        if (isString) {
            const std::vector<std::uint8_t> utf16 = text::utf16le(name.name);
            const auto offset = static_cast<std::uint32_t>(strings.size());
            strings.resize(offset + 4);
            ndb::le::put32(strings, offset, static_cast<std::uint32_t>(utf16.size()));
            strings.insert(strings.end(), utf16.begin(), utf16.end());
            strings.resize((strings.size() + 3) & ~std::size_t{3});
            append(entries, offset, word, index);
            key = ndb::computeCrc(utf16);  // [MS-PST] 2.4.7.4
        } else {
            append(entries, *name.lid, word, index);
            key = *name.lid;
        }
        append(buckets[(key ^ word) % kBucketCount], key, word, index);
    }

    ltp::PropertyContextWriter pc(db);
    namespace tag = mapi::tag;
    pc.setOwned(tag::kNameidBucketCount.id,
                mapi::PropValue::int32(static_cast<std::int32_t>(kBucketCount)));
    pc.setOwned(tag::kNameidStreamGuid.id, mapi::PropValue::binary(std::move(guidStream)));
    pc.setOwned(tag::kNameidStreamEntry.id, mapi::PropValue::binary(std::move(entries)));
    pc.setOwned(tag::kNameidStreamString.id, mapi::PropValue::binary(std::move(strings)));
    for (auto& [bucket, bytes] : buckets) {
        pc.setOwned(static_cast<std::uint16_t>(tag::kNameidBucketBase + bucket),
                    mapi::PropValue::binary(std::move(bytes)));
    }
    return pc.write();
}

}  // namespace tolvane::pst::messaging
