#include "contact/GroupMembers.h"

#include "contact/Text.h"
#include "mime/Addresses.h"
#include "mime/GMimeSetup.h"
#include "source/Bencode.h"

namespace tolvane::contact {
namespace {

// A global address list reference is the entry's LDAP name; its mail address is in it
// ("uid=ann,ou=people,dc=example,dc=org" names no address) only when it is one.
std::optional<GroupMember> galMember(const std::string& value) {
    if (value.find('@') != std::string::npos && value.find('=') == std::string::npos) {
        auto list = membersOfAddressList(value);
        if (list.size() == 1) {
            return list.front();
        }
    }
    return std::nullopt;
}

}  // namespace

std::vector<GroupMember> membersOfAddressList(std::string_view list) {
    mime::gmimeReady();
    std::vector<GroupMember> out;
    for (auto& m : mime::parseAddressList(list, nullptr, mime::UndeclaredCharsets{})) {
        out.push_back({std::move(m.name), std::move(m.address), {}});
    }
    return out;
}

std::vector<GroupMember> groupMembers(const ContactRecord& record, const MemberLookup& lookup,
                                      std::vector<std::string>& issues) {
    const std::string* encoded = record.get("groupMember");
    if (!encoded || trim(*encoded).empty()) {
        return membersOfAddressList(record.value("dlist"));
    }
    std::optional<source::BValue> meta;
    try {
        meta = source::parseBencode(*encoded);
    } catch (const source::BencodeError&) {
        // Said below, with the list kept in the notes.
    }
    const source::BValue* m = meta ? meta->find("m") : nullptr;
    if (!m || !m->list()) {
        issues.push_back("the group's member list cannot be read; it is kept in the notes");
        return {{"", "", *encoded}};
    }
    std::vector<GroupMember> members;
    for (const source::BValue& item : *m->list()) {
        const source::BValue* t = item.find("t");
        const source::BValue* v = item.find("v");
        const std::string type = t ? t->text().value_or("") : "";
        const std::string value = v ? v->text().value_or("") : "";
        std::optional<GroupMember> found;
        if (type == "I") {
            auto list = membersOfAddressList(value);
            if (list.size() == 1) {
                found = list.front();
            }
        } else if (type == "C" && lookup) {
            found = lookup(value);
        } else if (type == "G") {
            found = galMember(value);
        }
        if (found && !found->address.empty()) {
            members.push_back(std::move(*found));
            continue;
        }
        const std::string what = type == "C"   ? "contact " + value
                                 : type == "G" ? "address list entry " + value
                                               : value;
        issues.push_back("the group member \"" + what +
                         "\" has no address that can be found; it is kept in the notes");
        members.push_back({"", "", what});
    }
    return members;
}

}  // namespace tolvane::contact
