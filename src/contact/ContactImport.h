#pragma once

// Contacts into the format-neutral message model: Zimbra's contacts as its archive holds them
// (the `fld` dictionary of a contact's .meta, its tags and its file blob) and vCard files
// (.vcf, one card or many). Each gives the best contact that can be made of it, and says
// what was wrong with the input and what was done about it. Knows nothing of any store.

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "contact/GroupMembers.h"
#include "mapi/Message.h"

namespace tolvane::contact {

struct ImportedContact {
    mapi::Message message;  // IPM.Contact, or IPM.DistList for a contact group
    // "<source>: <what was wrong and what was done>", one a problem.
    std::vector<std::string> problems;
};

struct ZimbraContact {
    std::map<std::string, std::string> fields;  // the `fld` dictionary
    std::vector<std::string> tags;              // the item's tag names
    std::span<const std::uint8_t> blob;         // the contact's blob entry; empty when none
    std::string source;                         // the archive entry, for problems
};

ImportedContact importZimbraContact(const ZimbraContact& contact, const MemberLookup& lookup = {});

struct VCardImport {
    std::vector<ImportedContact> contacts;
    std::vector<std::string> problems;  // of the file as a whole (no card in it, stray lines)
};

// `source` names the file (or archive entry) in problems, with the line of each.
VCardImport importVCards(std::span<const std::uint8_t> bytes, std::string_view source);

}  // namespace tolvane::contact
