#pragma once

// A personal distribution list's member properties (MS-OXOCNTC 2.2.2.2): every member as a
// one-off entry id in both PidLidDistributionListMembers and ...OneOffMembers (the members
// are addresses, not entries of this store), and the checksum over the first.

#include <cstdint>
#include <string>
#include <vector>

#include "contact/GroupMembers.h"
#include "mapi/PropertyList.h"

namespace tolvane::contact {

// Outlook keeps the member list below 15,000 bytes and moves larger lists to a stream
// property; members past the limit are left to the caller's notes.
inline constexpr std::size_t kMaxMemberBytes = 15000;

struct DistributionListMembers {
    std::vector<mapi::Bytes> entryIds;
    std::vector<GroupMember> left;  // with no address, or past the size limit
};

DistributionListMembers distributionListMembers(const std::vector<GroupMember>& members);

// PidLidDistributionListChecksum: CRC-32 (reflected 0xEDB88320, start 0, no final inversion,
// as MS-PST's block CRC) over the member entry ids one after the other. Checked against the
// distribution list Outlook made in tests/data/pst-samples/javalibpst-dist-list.pst.
std::uint32_t memberChecksum(const std::vector<mapi::Bytes>& entryIds);

void setMemberProperties(const DistributionListMembers& members, mapi::PropertyList& props);

}  // namespace tolvane::contact
