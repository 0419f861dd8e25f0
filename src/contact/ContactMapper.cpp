#include "contact/ContactMapper.h"

#include <algorithm>
#include <array>
#include <set>

#include "contact/ContactDates.h"
#include "contact/ContactNames.h"
#include "contact/DistributionList.h"
#include "contact/ImageType.h"
#include "contact/Text.h"
#include "mapi/Tags.h"
#include "mime/EntryIds.h"

namespace tolvane::contact {
namespace {

namespace tag = mapi::tag;
namespace named = mapi::named;
using mapi::PropValue;

struct TaggedField {
    std::string_view field;
    mapi::PropTag tag;
};

constexpr std::array<TaggedField, 40> kTaggedFields = {{
    {"firstName", tag::kGivenName},
    {"lastName", tag::kSurname},
    {"middleName", tag::kMiddleName},
    {"namePrefix", tag::kDisplayNamePrefix},
    {"nameSuffix", tag::kGeneration},
    {"nickname", tag::kNickname},
    {"initials", tag::kInitials},
    {"company", tag::kCompanyName},
    {"department", tag::kDepartmentName},
    {"jobTitle", tag::kTitle},
    {"office", tag::kOfficeLocation},
    {"homePhone", tag::kHomeTelephoneNumber},
    {"homePhone2", tag::kHome2TelephoneNumber},
    {"workPhone", tag::kBusinessTelephoneNumber},
    {"workPhone2", tag::kBusiness2TelephoneNumber},
    {"mobilePhone", tag::kMobileTelephoneNumber},
    {"carPhone", tag::kCarTelephoneNumber},
    {"pager", tag::kPagerTelephoneNumber},
    {"homeFax", tag::kHomeFaxNumber},
    {"workFax", tag::kBusinessFaxNumber},
    {"otherFax", tag::kPrimaryFaxNumber},
    {"otherPhone", tag::kOtherTelephoneNumber},
    {"assistantPhone", tag::kAssistantTelephoneNumber},
    {"callbackPhone", tag::kCallbackTelephoneNumber},
    {"companyPhone", tag::kCompanyMainTelephoneNumber},
    {"homeURL", tag::kPersonalHomePage},
    {"workURL", tag::kBusinessHomePage},
    {"otherMgrName", tag::kManagerName},
    {"otherAsstName", tag::kAssistant},
    {"otherProfession", tag::kProfession},
    {"homeStreet", tag::kHomeAddressStreet},
    {"homeCity", tag::kHomeAddressCity},
    {"homeState", tag::kHomeAddressStateOrProvince},
    {"homePostalCode", tag::kHomeAddressPostalCode},
    {"homeCountry", tag::kHomeAddressCountry},
    {"otherStreet", tag::kOtherAddressStreet},
    {"otherCity", tag::kOtherAddressCity},
    {"otherState", tag::kOtherAddressStateOrProvince},
    {"otherPostalCode", tag::kOtherAddressPostalCode},
    {"otherCountry", tag::kOtherAddressCountry},
}};

struct NamedField {
    std::string_view field;
    const mapi::NamedTag& tag;
};

const std::array<NamedField, 7> kNamedFields = {{
    {"otherURL", named::kContactWebPage},
    {"imAddress1", named::kInstantMessagingAddress},
    {"workStreet", named::kWorkAddressStreet},
    {"workCity", named::kWorkAddressCity},
    {"workState", named::kWorkAddressState},
    {"workPostalCode", named::kWorkAddressPostalCode},
    {"workCountry", named::kWorkAddressCountry},
}};

// Zimbra's bookkeeping, no data of the person.
bool bookkeeping(std::string_view field) {
    return field == "vcardUID" || field == "vcardURL" || field == "zimbraId" ||
           field == "canExpand" || field == "type";
}

// How the notes name a field Outlook has no place for; numbered fields keep their number.
std::string label(std::string_view field) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 18> labels = {{
        {"email", "E-mail"},
        {"workEmail", "Work e-mail"},
        {"imAddress", "IM"},
        {"workIM", "Work IM"},
        {"maidenName", "Maiden name"},
        {"tollFree", "Toll-free phone"},
        {"workMobile", "Work mobile"},
        {"workAltPhone", "Work phone (other)"},
        {"spouse", "Spouse"},
        {"custom", "Custom"},
        {"otherCustom", "Custom"},
        {"birthday", "Birthday"},
        {"anniversary", "Anniversary"},
        {"otherAnniversary", "Anniversary (other)"},
        {"image", "Photo"},
        {"userCertificate", "Certificate"},
        {"phoneticFirstName", "First name (phonetic)"},
        {"phoneticLastName", "Last name (phonetic)"},
    }};
    std::size_t digits = field.size();
    while (digits > 0 && field[digits - 1] >= '0' && field[digits - 1] <= '9') {
        --digits;
    }
    for (const auto& [name, text] : labels) {
        if (field.substr(0, digits) == name) {
            return std::string(text) +
                   (digits < field.size() ? " " + std::string(field.substr(digits)) : "");
        }
    }
    return std::string(field);
}

// "email", "email2" ... then "workEmail1" ...: Zimbra's e-mail fields in its order.
std::vector<std::string> emailFields(const ContactRecord& r) {
    std::vector<std::pair<int, std::string>> numbered;
    for (const auto& [name, value] : r.fields) {
        for (const auto& [base, rank] :
             {std::pair<std::string_view, int>{"email", 0}, {"workEmail", 100000}}) {
            if (!name.starts_with(base)) {
                continue;
            }
            const std::string_view rest = std::string_view(name).substr(base.size());
            if (rest.empty() && rank == 0) {
                numbered.emplace_back(1, name);
            } else if (!rest.empty() && rest.size() < 5 &&
                       std::all_of(rest.begin(), rest.end(),
                                   [](char c) { return c >= '0' && c <= '9'; })) {
                numbered.emplace_back(rank + std::stoi(std::string(rest)), name);
            }
        }
    }
    std::sort(numbered.begin(), numbered.end());
    std::vector<std::string> out;
    for (auto& [rank, name] : numbered) {
        out.push_back(std::move(name));
    }
    return out;
}

class Mapper {
  public:
    Mapper(const ContactRecord& r, const MemberLookup& lookup, std::vector<std::string>& issues)
        : r_(r), lookup_(lookup), issues_(issues) {}

    mapi::Message run() {
        const ContactNames names = contactNames(r_);
        use({"fullName", "fileAs", "notes"});
        auto& p = m_.props;
        p.set(tag::kSubject, PropValue::unicode(names.displayName));
        p.set(tag::kConversationTopic, PropValue::unicode(names.displayName));
        p.set(tag::kDisplayName, PropValue::unicode(names.displayName));
        p.set(tag::kMessageFlags, PropValue::int32(tag::kMsgFlagRead));
        if (!r_.categories.empty()) {
            p.setNamed(named::kKeywords, PropValue::mvUnicode(r_.categories));
        }
        if (r_.value("type") == "group") {
            group(names);
        } else {
            contact(names);
        }
        files();
        notes();
        return std::move(m_);
    }

  private:
    void use(std::initializer_list<std::string_view> fields) {
        for (auto f : fields) {
            used_.emplace(f);
        }
    }

    std::optional<std::string> take(std::string_view field) {
        const std::string* v = r_.get(field);
        if (!v || trim(*v).empty()) {
            return std::nullopt;
        }
        used_.emplace(field);
        return std::string(trim(*v));
    }

    void contact(const ContactNames& names) {
        auto& p = m_.props;
        p.set(tag::kMessageClass, PropValue::unicode("IPM.Contact"));
        p.set(tag::kIconIndex, PropValue::int32(0x200));  // as Outlook's contacts
        p.setNamed(named::kFileUnder, PropValue::unicode(names.fileUnder));
        if (names.fileUnderId) {
            p.setNamed(named::kFileUnderId, PropValue::int32(*names.fileUnderId));
        }
        for (const auto& f : kTaggedFields) {
            if (auto v = take(f.field)) {
                p.set(f.tag, PropValue::unicode(*v));
            }
        }
        for (const auto& f : kNamedFields) {
            if (auto v = take(f.field)) {
                p.setNamed(f.tag, PropValue::unicode(*v));
            }
        }
        emails(names.displayName);
        addresses();
        date("birthday", tag::kBirthday);
        date("anniversary", tag::kWeddingAnniversary);
    }

    // E-mail 1-3 with the arrays Outlook keeps beside them (MS-OXOCNTC 2.2.1.2); a fourth
    // address and on go to the notes.
    void emails(const std::string& displayName) {
        auto& p = m_.props;
        std::vector<std::int64_t> slots;
        std::int32_t arrayType = 0;
        for (const std::string& field : emailFields(r_)) {
            const auto address = take(field);
            if (!address || slots.size() == 3) {
                if (address) {
                    used_.erase(field);  // left for the notes
                }
                continue;
            }
            const std::size_t i = slots.size();
            const std::string shown = displayName.empty() ? *address : displayName;
            p.setNamed(named::kEmailDisplayName[i], PropValue::unicode(shown));
            p.setNamed(named::kEmailAddressType[i], PropValue::unicode("SMTP"));
            p.setNamed(named::kEmailEmailAddress[i], PropValue::unicode(*address));
            p.setNamed(named::kEmailOriginalDisplayName[i], PropValue::unicode(*address));
            p.setNamed(named::kEmailOriginalEntryId[i],
                       PropValue::binary(mime::oneOffEntryId(shown, *address)));
            slots.push_back(static_cast<std::int64_t>(i));
            arrayType |= 1 << i;
        }
        if (!slots.empty()) {
            p.setNamed(named::kAddressBookProviderEmailList, PropValue::mvInt32(slots));
            p.setNamed(named::kAddressBookProviderArrayType, PropValue::int32(arrayType));
        }
    }

    struct Address {
        std::string street, city, state, postalCode, country;
        bool empty() const {
            return street.empty() && city.empty() && state.empty() && postalCode.empty() &&
                   country.empty();
        }
        std::string text() const {
            std::string out;
            for (const std::string& line :
                 {street, joinedLine({city, state, postalCode}), country}) {
                if (!line.empty()) {
                    out += (out.empty() ? "" : "\r\n") + line;
                }
            }
            return out;
        }
        static std::string joinedLine(std::initializer_list<std::string> parts) {
            std::string out;
            for (const auto& s : parts) {
                if (!s.empty()) {
                    out += (out.empty() ? "" : " ") + s;
                }
            }
            return out;
        }
    };

    Address address(const std::string& kind) const {
        const auto v = [&](const char* part) { return std::string(trim(r_.value(kind + part))); };
        return {v("Street"), v("City"), v("State"), v("PostalCode"), v("Country")};
    }

    // Each address as a whole (PidLidHomeAddress ...), and the mailing address: work, else
    // home, else other, copied where Outlook keeps it (MS-OXOCNTC 2.2.1.3).
    void addresses() {
        auto& p = m_.props;
        const std::array<std::pair<std::string, const mapi::NamedTag*>, 3> kinds = {{
            {"work", &named::kWorkAddress},
            {"home", &named::kHomeAddress},
            {"other", &named::kOtherAddress},
        }};
        const std::array<std::int32_t, 3> postalIds = {2, 1, 3};
        std::optional<std::size_t> mailing;
        for (std::size_t i = 0; i < kinds.size(); ++i) {
            const Address a = address(kinds[i].first);
            if (a.empty()) {
                continue;
            }
            p.setNamed(*kinds[i].second, PropValue::unicode(a.text()));
            if (!mailing) {
                mailing = i;
                p.setNamed(named::kPostalAddressId, PropValue::int32(postalIds[i]));
                p.set(tag::kPostalAddress, PropValue::unicode(a.text()));
                const std::array<std::pair<mapi::PropTag, const std::string*>, 5> parts = {{
                    {tag::kStreetAddress, &a.street},
                    {tag::kLocality, &a.city},
                    {tag::kStateOrProvince, &a.state},
                    {tag::kPostalCode, &a.postalCode},
                    {tag::kCountry, &a.country},
                }};
                for (const auto& [t, value] : parts) {
                    if (!value->empty()) {
                        p.set(t, PropValue::unicode(*value));
                    }
                }
            }
        }
    }

    void date(const char* field, mapi::PropTag target) {
        const auto text = take(field);
        if (!text) {
            return;
        }
        const auto d = parseContactDate(*text);
        if (d && d->year != 0) {
            m_.props.set(target, PropValue::time(midnightUtc(*d)));
            return;
        }
        used_.erase(field);  // a date without a year, or none: kept as written
        if (!d) {
            issues_.push_back("the " + label(field) + " \"" + *text +
                              "\" is no date; it is kept in the notes");
        }
    }

    void group(const ContactNames& names) {
        auto& p = m_.props;
        use({"groupMember", "dlist", "nickname"});
        p.set(tag::kMessageClass, PropValue::unicode("IPM.DistList"));
        p.set(tag::kIconIndex, PropValue::int32(0x202));  // as Outlook's distribution lists
        p.setNamed(named::kDistributionListName, PropValue::unicode(names.displayName));
        p.setNamed(named::kFileUnder, PropValue::unicode(names.displayName));
        p.setNamed(named::kFileUnderId, PropValue::int32(-1));  // as Outlook sets it on lists
        const auto members = distributionListMembers(groupMembers(r_, lookup_, issues_));
        setMemberProperties(members, p);
        std::size_t overflow = 0;
        for (const GroupMember& m : members.left) {
            if (!m.address.empty()) {
                ++overflow;
                extraNotes_.push_back(
                    "Member: " + (m.name.empty() ? m.address : m.name + " <" + m.address + ">"));
            } else {
                extraNotes_.push_back("Member: " + m.source);
            }
        }
        if (overflow > 0) {
            issues_.push_back(std::to_string(overflow) +
                              " members do not fit in the list Outlook keeps; they are kept "
                              "in the notes");
        }
    }

    // The photo as MS-OXOCNTC 2.2.1.8 has it; the contact's other files as attachments.
    void files() {
        bool photoDone = false;
        for (const ContactFile& f : r_.files) {
            const bool isPhoto = f.field == "image" && !photoDone;
            const auto image = isPhoto ? imageTypeOf(f.data) : std::nullopt;
            mapi::Attachment a;
            auto& p = a.props;
            p.set(tag::kAttachMethod, PropValue::int32(tag::kAttachByValue));
            std::string name = f.fileName;
            if (image) {
                photoDone = true;
                name = "ContactPicture" + image->extension;
                p.set(tag::kAttachmentContactPhoto, PropValue::boolean(true));
                p.set(tag::kAttachMimeTag, PropValue::unicode(image->mimeType));
                m_.props.setNamed(named::kHasPicture, PropValue::boolean(true));
            } else {
                if (name.empty()) {
                    name = (f.field.empty() ? std::string("file") : f.field) + ".bin";
                }
                if (isPhoto) {
                    issues_.push_back(
                        "the photo is not an image" +
                        (f.contentType.empty() ? "" : " (said to be " + f.contentType + ")") +
                        "; it is attached as \"" + name + "\"");
                }
                if (!f.contentType.empty()) {
                    p.set(tag::kAttachMimeTag, PropValue::unicode(f.contentType));
                }
            }
            p.set(tag::kDisplayName, PropValue::unicode(name));
            p.set(tag::kAttachFilename, PropValue::unicode(name));
            p.set(tag::kAttachLongFilename, PropValue::unicode(name));
            if (const auto dot = name.rfind('.'); dot != std::string::npos) {
                p.set(tag::kAttachExtension, PropValue::unicode(name.substr(dot)));
            }
            p.set(tag::kAttachDataBinary, PropValue::binary(f.data));
            m_.attachments.push_back(std::move(a));
        }
    }

    // The notes as written, then every field Outlook had no place for, then what the input
    // held that has no field at all.
    void notes() {
        std::string body;
        for (const auto& [name, value] : r_.fields) {
            if ((name == "notes" || (name.starts_with("notes") && used_.count(name) == 0 &&
                                     name.size() > 5 && name[5] >= '2' && name[5] <= '9')) &&
                !trim(value).empty()) {
                body += (body.empty() ? "" : "\n\n") + value;
                used_.emplace(name);
            }
        }
        std::vector<std::string> lines;
        for (const auto& [name, value] : r_.fields) {
            if (used_.count(name) == 0 && !bookkeeping(name) && !trim(value).empty()) {
                lines.push_back(label(name) + ": " + value);
            }
        }
        lines.insert(lines.end(), extraNotes_.begin(), extraNotes_.end());
        lines.insert(lines.end(), r_.extras.begin(), r_.extras.end());
        if (!lines.empty()) {
            body += body.empty() ? "" : "\n\n";
            for (std::size_t i = 0; i < lines.size(); ++i) {
                body += (i == 0 ? "" : "\n") + lines[i];
            }
        }
        if (!body.empty()) {
            m_.props.set(tag::kBody, PropValue::unicode(body));
        }
    }

    const ContactRecord& r_;
    const MemberLookup& lookup_;
    std::vector<std::string>& issues_;
    mapi::Message m_;
    std::set<std::string, std::less<>> used_;
    std::vector<std::string> extraNotes_;
};

}  // namespace

mapi::Message contactMessage(const ContactRecord& record, const MemberLookup& lookup,
                             std::vector<std::string>& issues) {
    return Mapper(record, lookup, issues).run();
}

}  // namespace tolvane::contact
