// Zimbra's contact fields (an archive's `fld` dictionary) to Outlook's contact, field by field
// (MS-OXOCNTC 2.2.1), and contact groups to distribution lists (2.2.2).

#include <gtest/gtest.h>

#include "ContactHelpers.h"
#include "contact/DistributionList.h"
#include "mime/EntryIds.h"

namespace tolvane::contact::test {
namespace {

namespace tag = mapi::tag;
namespace named = mapi::named;

ImportedContact zimbra(std::map<std::string, std::string> fields,
                       std::vector<std::string> tags = {}, std::string_view blob = {},
                       const MemberLookup& lookup = {}) {
    const auto bytes = bytesOf(blob);
    return importZimbraContact({std::move(fields), std::move(tags), bytes, "Contacts/Ann.meta"},
                               lookup);
}

TEST(ZimbraFields, EveryFieldWithAnOutlookPlaceLandsThere) {
    const auto c = zimbra({{"firstName", "Ann"},
                           {"lastName", "Smith"},
                           {"middleName", "B."},
                           {"namePrefix", "Dr."},
                           {"nameSuffix", "Jr."},
                           {"nickname", "Annie"},
                           {"company", "Acme"},
                           {"department", "R&D"},
                           {"jobTitle", "Chemist"},
                           {"homePhone", "1"},
                           {"homePhone2", "2"},
                           {"workPhone", "3"},
                           {"workPhone2", "4"},
                           {"mobilePhone", "5"},
                           {"carPhone", "6"},
                           {"pager", "7"},
                           {"homeFax", "8"},
                           {"workFax", "9"},
                           {"otherFax", "10"},
                           {"otherPhone", "11"},
                           {"assistantPhone", "12"},
                           {"callbackPhone", "13"},
                           {"companyPhone", "14"},
                           {"homeURL", "http://ann.example"},
                           {"workURL", "http://acme.example"},
                           {"otherURL", "http://blog.example"},
                           {"imAddress1", "xmpp://ann@chat.example"},
                           {"birthday", "1970-04-14"},
                           {"anniversary", "19950601"}},
                          {"Family", "VIP"});
    const auto& m = c.message;
    EXPECT_TRUE(c.problems.empty());
    EXPECT_EQ(text(m, tag::kMessageClass), "IPM.Contact");
    EXPECT_EQ(text(m, tag::kGivenName), "Ann");
    EXPECT_EQ(text(m, tag::kSurname), "Smith");
    EXPECT_EQ(text(m, tag::kMiddleName), "B.");
    EXPECT_EQ(text(m, tag::kDisplayNamePrefix), "Dr.");
    EXPECT_EQ(text(m, tag::kGeneration), "Jr.");
    EXPECT_EQ(text(m, tag::kNickname), "Annie");
    EXPECT_EQ(text(m, tag::kCompanyName), "Acme");
    EXPECT_EQ(text(m, tag::kDepartmentName), "R&D");
    EXPECT_EQ(text(m, tag::kTitle), "Chemist");
    const std::vector<std::pair<mapi::PropTag, std::string>> phones = {
        {tag::kHomeTelephoneNumber, "1"},      {tag::kHome2TelephoneNumber, "2"},
        {tag::kBusinessTelephoneNumber, "3"},  {tag::kBusiness2TelephoneNumber, "4"},
        {tag::kMobileTelephoneNumber, "5"},    {tag::kCarTelephoneNumber, "6"},
        {tag::kPagerTelephoneNumber, "7"},     {tag::kHomeFaxNumber, "8"},
        {tag::kBusinessFaxNumber, "9"},        {tag::kPrimaryFaxNumber, "10"},
        {tag::kOtherTelephoneNumber, "11"},    {tag::kAssistantTelephoneNumber, "12"},
        {tag::kCallbackTelephoneNumber, "13"}, {tag::kCompanyMainTelephoneNumber, "14"}};
    for (const auto& [t, v] : phones) {
        EXPECT_EQ(text(m, t), v) << std::hex << t.id;
    }
    EXPECT_EQ(text(m, tag::kPersonalHomePage), "http://ann.example");
    EXPECT_EQ(text(m, tag::kBusinessHomePage), "http://acme.example");
    EXPECT_EQ(text(m, named::kContactWebPage), "http://blog.example");
    EXPECT_EQ(text(m, named::kInstantMessagingAddress), "xmpp://ann@chat.example");
    EXPECT_EQ(dateOf(m, tag::kBirthday), "1970-04-14");
    EXPECT_EQ(dateOf(m, tag::kWeddingAnniversary), "1995-06-01");
    ASSERT_TRUE(m.props.getNamed(named::kKeywords));
    EXPECT_EQ(m.props.getNamed(named::kKeywords)->asStrings(),
              (std::vector<std::string>{"Family", "VIP"}));
    EXPECT_FALSE(m.props.has(tag::kBody));  // nothing was left over
}

TEST(ZimbraFields, DisplayNameAndFileAsFollowZimbrasSetting) {
    struct Case {
        std::string fileAs;
        std::string fileUnder;
        std::optional<std::int32_t> id;
    };
    const std::vector<Case> cases = {
        {"", "Smith, Ann B.", 0x8017},
        {"1", "Smith, Ann B.", 0x8017},
        {"2", "Ann B. Smith", 0x3001},  // the display name's form
        {"3", "Acme", 0x3A16},
        {"4", "Smith, Ann B.\r\nAcme", 0x8019},
        {"5", "Ann B. Smith (Acme)", std::nullopt},
        {"6", "Acme\r\nSmith, Ann B.", 0x8018},
        {"7", "Acme (Ann B. Smith)", std::nullopt},
        {"8:Annie of Acme", "Annie of Acme", std::nullopt},
    };
    for (const auto& k : cases) {
        std::map<std::string, std::string> f = {
            {"firstName", "Ann"}, {"middleName", "B."}, {"lastName", "Smith"}, {"company", "Acme"}};
        if (!k.fileAs.empty()) {
            f["fileAs"] = k.fileAs;
        }
        const auto c = zimbra(f);
        EXPECT_EQ(text(c.message, named::kFileUnder), k.fileUnder) << k.fileAs;
        EXPECT_EQ(int32(c.message, named::kFileUnderId), k.id) << k.fileAs;
        EXPECT_EQ(text(c.message, tag::kDisplayName), "Ann B. Smith");
        EXPECT_EQ(text(c.message, tag::kSubject), "Ann B. Smith");
    }
    // Without names the company, then an address, names the contact.
    const auto company = zimbra({{"company", "Acme"}});
    EXPECT_EQ(text(company.message, tag::kDisplayName), "Acme");
    EXPECT_EQ(text(company.message, named::kFileUnder), "Acme");
    EXPECT_EQ(int32(company.message, named::kFileUnderId), 0x3A16);
    const auto mail = zimbra({{"email", "x@example.org"}, {"fullName", ""}});
    EXPECT_EQ(text(mail.message, tag::kDisplayName), "x@example.org");
    EXPECT_EQ(int32(mail.message, named::kFileUnderId), 0x3001);
}

TEST(ZimbraFields, ThreeEmailSlotsWithTheirAddressBookArrays) {
    const auto c = zimbra({{"fullName", "Ann Smith"},
                           {"email", "ann@home.example"},
                           {"email2", "ann@old.example"},
                           {"workEmail1", "ann@acme.example"},
                           {"email3", "a.smith@home.example"},
                           {"workEmail2", "boss@acme.example"}});
    const auto& m = c.message;
    const std::vector<std::string> addresses = {"ann@home.example", "ann@old.example",
                                                "a.smith@home.example"};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(text(m, named::kEmailEmailAddress[i]), addresses[i]);
        EXPECT_EQ(text(m, named::kEmailAddressType[i]), "SMTP");
        EXPECT_EQ(text(m, named::kEmailDisplayName[i]), "Ann Smith");
        EXPECT_EQ(text(m, named::kEmailOriginalDisplayName[i]), addresses[i]);
        ASSERT_TRUE(m.props.getNamed(named::kEmailOriginalEntryId[i]));
        EXPECT_EQ(m.props.getNamed(named::kEmailOriginalEntryId[i])->asBytes(),
                  mime::oneOffEntryId("Ann Smith", addresses[i]));
    }
    ASSERT_TRUE(m.props.getNamed(named::kAddressBookProviderEmailList));
    EXPECT_EQ(m.props.getNamed(named::kAddressBookProviderEmailList)->asIntegers(),
              (std::vector<std::int64_t>{0, 1, 2}));
    EXPECT_EQ(int32(m, named::kAddressBookProviderArrayType), 0x7);
    // Outlook has three slots; the work addresses go to the notes, in Zimbra's order.
    EXPECT_EQ(text(m, tag::kBody),
              "Work e-mail 1: ann@acme.example\nWork e-mail 2: boss@acme.example");

    const auto one = zimbra({{"workEmail1", "w@acme.example"}});
    EXPECT_EQ(text(one.message, named::kEmailEmailAddress[0]), "w@acme.example");
    EXPECT_FALSE(one.message.props.getNamed(named::kEmailEmailAddress[1]));
    EXPECT_EQ(one.message.props.getNamed(named::kAddressBookProviderEmailList)->asIntegers(),
              (std::vector<std::int64_t>{0}));
    EXPECT_EQ(int32(one.message, named::kAddressBookProviderArrayType), 0x1);
    EXPECT_FALSE(
        zimbra({{"lastName", "X"}}).message.props.getNamed(named::kAddressBookProviderArrayType));
}

TEST(ZimbraFields, AddressesAndTheMailingAddress) {
    const auto c = zimbra({{"homeStreet", "1 Elm St\nFlat 2"},
                           {"homeCity", "Springfield"},
                           {"homeState", "IL"},
                           {"homePostalCode", "62701"},
                           {"homeCountry", "USA"},
                           {"workStreet", "9 Acme Way"},
                           {"workCity", "Shelbyville"},
                           {"otherCity", "Ogdenville"}});
    const auto& m = c.message;
    EXPECT_EQ(text(m, tag::kHomeAddressStreet), "1 Elm St\nFlat 2");
    EXPECT_EQ(text(m, tag::kHomeAddressCity), "Springfield");
    EXPECT_EQ(text(m, tag::kHomeAddressStateOrProvince), "IL");
    EXPECT_EQ(text(m, tag::kHomeAddressPostalCode), "62701");
    EXPECT_EQ(text(m, tag::kHomeAddressCountry), "USA");
    EXPECT_EQ(text(m, named::kWorkAddressStreet), "9 Acme Way");
    EXPECT_EQ(text(m, named::kWorkAddressCity), "Shelbyville");
    EXPECT_EQ(text(m, tag::kOtherAddressCity), "Ogdenville");
    EXPECT_EQ(text(m, named::kHomeAddress), "1 Elm St\nFlat 2\r\nSpringfield IL 62701\r\nUSA");
    // The work address is the mailing address when there is one.
    EXPECT_EQ(int32(m, named::kPostalAddressId), 2);
    EXPECT_EQ(text(m, tag::kStreetAddress), "9 Acme Way");
    EXPECT_EQ(text(m, tag::kLocality), "Shelbyville");
    EXPECT_EQ(text(m, tag::kPostalAddress), "9 Acme Way\r\nShelbyville");
    EXPECT_EQ(int32(zimbra({{"otherCity", "X"}}).message, named::kPostalAddressId), 3);
}

TEST(ZimbraFields, WhatOutlookHasNoPlaceForGoesToTheNotes) {
    const auto c = zimbra({{"lastName", "Smith"},
                           {"notes", "Met at the fair.\nLikes tea."},
                           {"email", "a@x.example"},
                           {"email2", "b@x.example"},
                           {"email3", "c@x.example"},
                           {"email4", "d@x.example"},
                           {"imAddress1", "aim://ann"},
                           {"imAddress2", "yahoo://ann"},
                           {"maidenName", "Jones"},
                           {"custom1", "blue"},
                           {"tollFree", "0800"},
                           {"birthday", "--04-14"},
                           {"vcardUID", "abc-123"},
                           {"zimbraId", "x"}});
    EXPECT_TRUE(c.problems.empty());
    EXPECT_EQ(text(c.message, tag::kBody),
              "Met at the fair.\nLikes tea.\n\n"
              "Birthday: --04-14\nCustom 1: blue\nE-mail 4: d@x.example\nIM 2: yahoo://ann\n"
              "Maiden name: Jones\nToll-free phone: 0800");
    EXPECT_FALSE(c.message.props.has(tag::kBirthday));
}

TEST(ZimbraFields, ABadDateIsReportedAndKept) {
    const auto c =
        zimbra({{"lastName", "Smith"}, {"birthday", "1970-13-45"}, {"anniversary", "last spring"}});
    ASSERT_EQ(c.problems.size(), 2u);
    EXPECT_EQ(c.problems[0],
              "Contacts/Ann.meta: the Birthday \"1970-13-45\" is no date; it is kept in the notes");
    EXPECT_EQ(text(c.message, tag::kBody), "Anniversary: last spring\nBirthday: 1970-13-45");
    EXPECT_FALSE(c.message.props.has(tag::kBirthday));
}

const std::string kJpeg = std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11) + "pixels";

std::string blobWith(const std::string& partType, const std::string& data) {
    return "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n"
           "Content-Disposition: attachment; filename=photo.jpg; field=image\r\n"
           "Content-Type: " +
           partType + "\r\nContent-Transfer-Encoding: 8bit\r\n\r\n" + data +
           "\r\n--b\r\n"
           "Content-Disposition: attachment; filename=cv.pdf; field=resume\r\n"
           "Content-Type: application/pdf\r\n\r\n%PDF-1.4\r\n--b--\r\n";
}

TEST(ZimbraFiles, ThePhotoAsOutlookStoresItAndOtherFilesAsAttachments) {
    const auto c = zimbra({{"lastName", "Smith"}}, {}, blobWith("image/jpeg", kJpeg));
    const auto& m = c.message;
    EXPECT_TRUE(c.problems.empty());
    ASSERT_EQ(m.attachments.size(), 2u);
    const auto& photo = m.attachments[0].props;
    EXPECT_TRUE(photo.get(tag::kAttachmentContactPhoto)->asBool());
    EXPECT_EQ(photo.get(tag::kAttachLongFilename)->asString(), "ContactPicture.jpg");
    EXPECT_EQ(photo.get(tag::kAttachFilename)->asString(), "ContactPicture.jpg");
    EXPECT_EQ(photo.get(tag::kDisplayName)->asString(), "ContactPicture.jpg");
    EXPECT_EQ(photo.get(tag::kAttachExtension)->asString(), ".jpg");
    EXPECT_EQ(photo.get(tag::kAttachDataBinary)->asBytes(),
              mapi::Bytes(kJpeg.begin(), kJpeg.end()));
    EXPECT_TRUE(m.props.getNamed(named::kHasPicture)->asBool());
    const auto& cv = m.attachments[1].props;
    EXPECT_FALSE(cv.has(tag::kAttachmentContactPhoto));
    EXPECT_EQ(cv.get(tag::kAttachLongFilename)->asString(), "cv.pdf");
    EXPECT_EQ(cv.get(tag::kAttachMimeTag)->asString(), "application/pdf");
}

TEST(ZimbraFiles, APhotoThatIsNoImageIsReportedAndAttached) {
    const auto c = zimbra({{"lastName", "Smith"}}, {}, blobWith("image/jpeg", "<html>oops</html>"));
    ASSERT_EQ(c.problems.size(), 1u);
    EXPECT_EQ(c.problems[0],
              "Contacts/Ann.meta: the photo is not an image (said to be "
              "image/jpeg); it is attached as \"photo.jpg\"");
    EXPECT_FALSE(c.message.props.getNamed(named::kHasPicture));
    ASSERT_EQ(c.message.attachments.size(), 2u);
    EXPECT_FALSE(c.message.attachments[0].props.has(tag::kAttachmentContactPhoto));
    EXPECT_EQ(c.message.attachments[0].props.get(tag::kAttachDataBinary)->asBytes().size(), 17u);

    const auto junk = zimbra({{"lastName", "Smith"}}, {}, "\x01\x02 not mime");
    ASSERT_EQ(junk.problems.size(), 1u);
    ASSERT_EQ(junk.message.attachments.size(), 1u);
    EXPECT_EQ(junk.message.attachments[0].props.get(tag::kAttachDataBinary)->asBytes().size(), 11u);
}

// A string of Zimbra's metadata: its length counts UTF-16 units ("ü" is one, "😀" two).
std::string metaString(std::string_view utf8) {
    std::size_t units = 0;
    for (unsigned char c : utf8) {
        units += (c & 0xC0) == 0x80 ? 0 : c >= 0xF0 ? 2 : 1;
    }
    return std::to_string(units) + ":" + std::string(utf8);
}

std::string member(std::string_view type, std::string_view value) {
    return "d1:t" + metaString(type) + "1:v" + metaString(value) + "e";
}

TEST(ZimbraGroups, GroupsBecomeDistributionListsOfOneOffMembers) {
    const MemberLookup lookup = [](std::string_view id) -> std::optional<GroupMember> {
        if (id == "257") {
            return GroupMember{"Carol", "carol@example.org", {}};
        }
        return std::nullopt;
    };
    const std::string members =
        "d1:ml" + member("I", "\"J\xC3\xBCrgen M\xC3\xBCller\" <jm@example.de>") +
        member("I", "\xF0\x9F\x98\x80 Bob <bob@example.org>") + member("C", "257") +
        member("G", "uid=ann,ou=people,dc=ex,dc=org") + member("C", "999") + "ee";
    const auto c = zimbra({{"type", "group"},
                           {"fileAs", "8:Friends"},
                           {"nickname", "Friends"},
                           {"groupMember", members}},
                          {}, {}, lookup);
    const auto& m = c.message;
    EXPECT_EQ(text(m, tag::kMessageClass), "IPM.DistList");
    EXPECT_EQ(text(m, tag::kDisplayName), "Friends");
    EXPECT_EQ(text(m, named::kDistributionListName), "Friends");
    EXPECT_EQ(text(m, named::kFileUnder), "Friends");
    const auto* ids = m.props.getNamed(named::kDistributionListMembers);
    ASSERT_TRUE(ids);
    const std::vector<mapi::Bytes> want = {
        mime::oneOffEntryId("J\xC3\xBCrgen M\xC3\xBCller", "jm@example.de"),
        mime::oneOffEntryId("\xF0\x9F\x98\x80 Bob", "bob@example.org"),
        mime::oneOffEntryId("Carol", "carol@example.org")};
    EXPECT_EQ(ids->asBinaries(), want);
    EXPECT_EQ(m.props.getNamed(named::kDistributionListOneOffMembers)->asBinaries(), want);
    EXPECT_EQ(static_cast<std::uint32_t>(*int32(m, named::kDistributionListChecksum)),
              memberChecksum(want));
    ASSERT_EQ(c.problems.size(), 2u);
    EXPECT_EQ(c.problems[0],
              "Contacts/Ann.meta: the group member \"address list entry "
              "uid=ann,ou=people,dc=ex,dc=org\" has no address that can be found; "
              "it is kept in the notes");
    EXPECT_NE(c.problems[1].find("\"contact 999\""), std::string::npos);
    EXPECT_EQ(text(m, tag::kBody),
              "Member: address list entry uid=ann,ou=people,dc=ex,dc=org\n"
              "Member: contact 999");
}

TEST(ZimbraGroups, OldDlistFieldAndUnreadableMembers) {
    const auto c = zimbra({{"type", "group"},
                           {"nickname", "Team"},
                           {"dlist", "\"Smith, Ann\" <ann@example.org>, bob@example.org"}});
    const auto* members = c.message.props.getNamed(named::kDistributionListMembers);
    ASSERT_TRUE(members);
    EXPECT_EQ(
        members->asBinaries(),
        (std::vector<mapi::Bytes>{mime::oneOffEntryId("Smith, Ann", "ann@example.org"),
                                  mime::oneOffEntryId("bob@example.org", "bob@example.org")}));
    EXPECT_TRUE(c.problems.empty());

    const auto bad = zimbra({{"type", "group"}, {"nickname", "Team"}, {"groupMember", "d1:m"}});
    ASSERT_EQ(bad.problems.size(), 1u);
    EXPECT_EQ(text(bad.message, tag::kBody), "Member: d1:m");
}

// The members and checksum of the distribution list Outlook made in
// tests/data/pst-samples/javalibpst-dist-list.pst: a contact of the store and two one-off
// members, and PidLidDistributionListChecksum 0xFAA61F37.
TEST(ZimbraGroups, ChecksumIsOutlooks) {
    const auto hex = [](std::string_view h) {
        mapi::Bytes out;
        for (std::size_t i = 0; i + 1 < h.size(); i += 2) {
            out.push_back(
                static_cast<std::uint8_t>(std::stoi(std::string(h.substr(i, 2)), nullptr, 16)));
        }
        return out;
    };
    const std::vector<mapi::Bytes> members = {
        hex("00000000c091add3519dcf11a4a900aa0047faa4c300000000a41d63dbc53b8e4ab8071e15e55750ce6400"
            "2000"),
        mime::oneOffEntryId("dist name 1", "dist1@rjohnson.id.au"),
        mime::oneOffEntryId("dist name 2", "dist2@rjohnson.id.au")};
    EXPECT_EQ(memberChecksum(members), 0xFAA61F37u);
}

}  // namespace
}  // namespace tolvane::contact::test
