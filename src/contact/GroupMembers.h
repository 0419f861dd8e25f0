#pragma once

// The members of a Zimbra contact group: the `groupMember` field (Zimbra's metadata
// encoding of a list of members, each a contact reference "C", a global address list
// reference "G" or an address written in "I"), or the older `dlist` field (addresses
// separated by commas).

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "contact/ContactRecord.h"

namespace tolvane::contact {

struct GroupMember {
    std::string name;
    std::string address;  // empty when the member could not be resolved to an address
    std::string source;   // what Zimbra stored, for the notes when there is no address
};

// Finds the contact a group's member refers to by its Zimbra item id ("257", or
// "<account>:257"); nothing when it is not known.
using MemberLookup = std::function<std::optional<GroupMember>(std::string_view itemId)>;

std::vector<GroupMember> groupMembers(const ContactRecord& record, const MemberLookup& lookup,
                                      std::vector<std::string>& issues);

// Addresses as a list "Name <a@b>, c@d" holds them.
std::vector<GroupMember> membersOfAddressList(std::string_view list);

}  // namespace tolvane::contact
