#include "contact/DistributionList.h"

#include <zlib.h>

#include "mapi/Tags.h"
#include "mime/EntryIds.h"

namespace tolvane::contact {

DistributionListMembers distributionListMembers(const std::vector<GroupMember>& members) {
    DistributionListMembers out;
    std::size_t bytes = 0;
    for (const GroupMember& m : members) {
        if (m.address.empty()) {
            out.left.push_back(m);
            continue;
        }
        mapi::Bytes id = mime::oneOffEntryId(m.name.empty() ? m.address : m.name, m.address);
        if (bytes + id.size() > kMaxMemberBytes) {
            out.left.push_back(m);
            continue;
        }
        bytes += id.size();
        out.entryIds.push_back(std::move(id));
    }
    return out;
}

std::uint32_t memberChecksum(const std::vector<mapi::Bytes>& entryIds) {
    // zlib inverts the value on the way in and out: all ones in and the result inverted
    // give the plain CRC; each call's result chains into the next as it is.
    uLong crc = 0xFFFFFFFFul;
    for (const auto& id : entryIds) {
        crc = crc32(crc, id.data(), static_cast<uInt>(id.size()));
    }
    return static_cast<std::uint32_t>(crc ^ 0xFFFFFFFFul);
}

void setMemberProperties(const DistributionListMembers& members, mapi::PropertyList& props) {
    props.setNamed(mapi::named::kDistributionListMembers,
                   mapi::PropValue::mvBinary(members.entryIds));
    props.setNamed(mapi::named::kDistributionListOneOffMembers,
                   mapi::PropValue::mvBinary(members.entryIds));
    props.setNamed(
        mapi::named::kDistributionListChecksum,
        mapi::PropValue::int32(static_cast<std::int32_t>(memberChecksum(members.entryIds))));
}

}  // namespace tolvane::contact
