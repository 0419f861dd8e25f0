#include "pstcheck/messaging/ContactCheck.h"

#include <algorithm>
#include <array>
#include <optional>
#include <set>

#include "pstcheck/ltp/PropTypes.h"
#include "pstcheck/messaging/Ids.h"
#include "pstcheck/ndb/Crc.h"

namespace tolvane::pstcheck {
namespace {

// PSETID_Address {00062004-0000-0000-C000-000000000046} as stored.
constexpr std::array<std::uint8_t, 16> kPsetidAddress = {0x04, 0x20, 0x06, 0, 0, 0, 0, 0,
                                                         0xC0, 0,    0,    0, 0, 0, 0, 0x46};
// MAPI_ONE_OFF_UID ([MS-OXCDATA] 2.2.5.1).
constexpr std::array<std::uint8_t, 16> kOneOffUid = {
    0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19, 0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02};
constexpr std::uint16_t kUnicode = 0x001F, kInt32 = 0x0003, kBoolean = 0x000B, kBinary = 0x0102,
                        kMvInt32 = 0x1003, kMvBinary = 0x1102;

// LIDs of PSETID_Address ([MS-OXPROPS] 2.1-2.436).
constexpr std::uint32_t kFileUnder = 0x8005, kHasPicture = 0x8015, kEmailList = 0x8028,
                        kArrayType = 0x8029, kListChecksum = 0x804C, kListName = 0x8053,
                        kOneOffMembers = 0x8054, kMembers = 0x8055;
constexpr std::array<std::uint32_t, 3> kEmailAddress = {0x8083, 0x8093, 0x80A3};
constexpr std::array<std::uint32_t, 3> kEmailType = {0x8082, 0x8092, 0x80A2};
constexpr std::array<std::uint32_t, 3> kEmailEntryId = {0x8085, 0x8095, 0x80A5};

struct OneOff {
    std::string name, type, address;
};

// A one-off EntryID ([MS-OXCDATA] 2.2.5.1) with Unicode strings, or nothing.
std::optional<OneOff> oneOff(Bytes b) {
    if (b.size() < 24 || !std::equal(kOneOffUid.begin(), kOneOffUid.end(), b.begin() + 4) ||
        (u16(b, 22) & 0x8000) == 0) {
        return std::nullopt;
    }
    std::array<std::string, 3> fields;
    std::size_t o = 24;
    for (auto& f : fields) {
        std::size_t end = o;
        while (end + 1 < b.size() && (b[end] != 0 || b[end + 1] != 0)) {
            end += 2;
        }
        if (end + 1 >= b.size()) {
            return std::nullopt;
        }
        f = utf8(b.subspan(o, end - o));
        o = end + 2;
    }
    return OneOff{fields[0], fields[1], fields[2]};
}

// The values of a PtypMultipleBinary as stored: count, offsets, then the values.
std::optional<std::vector<std::vector<std::uint8_t>>> binaries(Bytes b) {
    if (b.size() < 4) {
        return std::nullopt;
    }
    const std::uint32_t n = u32(b, 0);
    if (n > b.size() / 4) {
        return std::nullopt;
    }
    std::vector<std::vector<std::uint8_t>> out;
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t start = u32(b, 4 + 4 * i);
        const std::uint32_t end =
            i + 1 < n ? u32(b, 8 + 4 * i) : static_cast<std::uint32_t>(b.size());
        if (start > end || end > b.size()) {
            return std::nullopt;
        }
        out.emplace_back(b.begin() + start, b.begin() + end);
    }
    return out;
}

class ContactChecker {
  public:
    ContactChecker(const PropertyContext& pc, const NameIndex& names, const std::string& where,
                   Report& r)
        : pc_(pc), names_(names), where_(where), r_(r) {}

    void contact(std::size_t photos) {
        if (!pc_.string(tag::kDisplayName)) {
            r_.add("CONTACT", "PidTagDisplayName", "missing", where_);
        }
        if (!string(kFileUnder)) {
            r_.add("CONTACT", "PidLidFileUnder", "missing or not in the name-to-id map", where_);
        }
        emailSlots();
        if (const auto has = value(kHasPicture, kBoolean);
            has && !has->empty() && (*has)[0] != 0 && photos == 0) {
            r_.add("CONTACT", "PidLidHasPicture",
                   "is true, and no attachment has PidTagAttachmentContactPhoto", where_);
        }
    }

    void distributionList() {
        if (!string(kListName)) {
            r_.add("DISTLIST", "PidLidDistributionListName", "missing", where_);
        }
        const auto members = value(kMembers, kMvBinary);
        const auto oneOffs = value(kOneOffMembers, kMvBinary);
        if (!members || !oneOffs) {
            r_.add("DISTLIST", "PidLidDistributionListMembers",
                   std::string(members ? "" : "members ") + (oneOffs ? "" : "one-off members ") +
                       "missing",
                   where_);
            return;
        }
        const auto m = binaries(Bytes(*members));
        const auto o = binaries(Bytes(*oneOffs));
        if (!m || !o) {
            r_.add("DISTLIST", "PidLidDistributionListMembers", "not a list of binaries", where_);
            return;
        }
        if (m->size() != o->size()) {
            r_.add(
                "DISTLIST", "PidLidDistributionListOneOffMembers",
                std::to_string(o->size()) + " values for " + std::to_string(m->size()) + " members",
                where_);
        }
        std::vector<std::uint8_t> all;
        for (std::size_t i = 0; i < o->size(); ++i) {
            if (!oneOff(Bytes((*o)[i]))) {
                r_.add("DISTLIST", "PidLidDistributionListOneOffMembers",
                       "value " + std::to_string(i) + " is no one-off entry id", where_);
            }
        }
        for (const auto& v : *m) {
            all.insert(all.end(), v.begin(), v.end());
        }
        const auto checksum = value(kListChecksum, kInt32);
        const std::uint32_t want = pstCrc(Bytes(all));
        if (!checksum || u32(Bytes(*checksum), 0) != want) {
            r_.add("DISTLIST", "PidLidDistributionListChecksum",
                   (checksum ? "is " + hex(u32(Bytes(*checksum), 0)) : std::string("missing")) +
                       ", the members' CRC is " + hex(want),
                   where_);
        }
    }

  private:
    // The stored bytes of a PSETID_Address property of the given type, if the map names it.
    std::optional<std::vector<std::uint8_t>> value(std::uint32_t lid, std::uint16_t type) const {
        const auto id = names_.id(kPsetidAddress, lid);
        if (!id) {
            return std::nullopt;
        }
        const auto e = pc_.entries().find(*id);
        if (e == pc_.entries().end() || e->second.type != type) {
            return std::nullopt;
        }
        return pc_.value(*id);
    }

    std::optional<std::string> string(std::uint32_t lid) const {
        const auto id = names_.id(kPsetidAddress, lid);
        return id ? pc_.string((static_cast<std::uint32_t>(*id) << 16) | kUnicode) : std::nullopt;
    }

    // E-mail 1-3 against PidLidAddressBookProviderEmailList and ...ArrayType
    // ([MS-OXOCNTC] 2.2.1.2.10-11: kept in step, values unique).
    void emailSlots() {
        std::uint32_t filled = 0;
        for (std::size_t i = 0; i < 3; ++i) {
            const auto address = string(kEmailAddress[i]);
            if (!address) {
                continue;
            }
            filled |= 1u << i;
            const std::string slot = "e-mail " + std::to_string(i + 1);
            if (!string(kEmailType[i])) {
                r_.add("CONTACT", slot, "has an address and no address type", where_);
            }
            if (const auto id = value(kEmailEntryId[i], kBinary)) {
                const auto parsed = oneOff(Bytes(*id));
                if (parsed && parsed->address != *address) {
                    r_.add("CONTACT", slot,
                           "entry id names " + parsed->address + ", the slot " + *address, where_);
                }
            }
        }
        const auto list = value(kEmailList, kMvInt32);
        const auto type = value(kArrayType, kInt32);
        if (!list && !type) {
            if (filled != 0) {
                r_.add("CONTACT", "PidLidAddressBookProviderEmailList",
                       "missing with e-mail slots filled", where_);
            }
            return;
        }
        if (!list || !type) {
            r_.add("CONTACT", "PidLidAddressBookProviderArrayType",
                   "set without PidLidAddressBookProviderEmailList or the other way round", where_);
            return;
        }
        std::uint32_t bits = 0;
        std::set<std::uint32_t> seen;
        for (std::size_t o = 0; o + 4 <= list->size(); o += 4) {
            const std::uint32_t v = u32(Bytes(*list), o);
            if (v > 5 || !seen.insert(v).second) {
                r_.add("CONTACT", "PidLidAddressBookProviderEmailList",
                       "value " + std::to_string(v) + " is repeated or no slot", where_);
            }
            bits |= v <= 5 ? 1u << v : 0;
        }
        const std::uint32_t arrayType = u32(Bytes(*type), 0);
        if (bits != arrayType) {
            r_.add("CONTACT", "PidLidAddressBookProviderArrayType",
                   "is " + hex(arrayType) + ", the e-mail list says " + hex(bits), where_);
        }
        if ((arrayType & 0x7) != filled) {
            r_.add("CONTACT", "PidLidAddressBookProviderArrayType",
                   "e-mail bits " + hex(arrayType & 0x7) + ", the slots holding addresses " +
                       hex(filled),
                   where_);
        }
    }

    const PropertyContext& pc_;
    const NameIndex& names_;
    const std::string& where_;
    Report& r_;
};

}  // namespace

bool isContactItem(const std::string& messageClass) {
    const auto is = [&](std::string_view cls) {
        return messageClass.size() >= cls.size() &&
               std::equal(
                   cls.begin(), cls.end(), messageClass.begin(),
                   [](char a, char b) { return a == (b >= 'a' && b <= 'z' ? b - 32 : b); }) &&
               (messageClass.size() == cls.size() || messageClass[cls.size()] == '.');
    };
    return is("IPM.CONTACT") || is("IPM.DISTLIST");
}

void checkContactItem(const PropertyContext& pc, const std::string& messageClass,
                      std::size_t photoAttachments, const NameIndex& names,
                      const std::string& where, Report& report) {
    ContactChecker check(pc, names, where, report);
    if (messageClass.size() >= 12 && (messageClass[4] == 'D' || messageClass[4] == 'd')) {
        check.distributionList();
    } else {
        check.contact(photoAttachments);
    }
}

}  // namespace tolvane::pstcheck
