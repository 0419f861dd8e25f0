// vCards others wrote (data/README.md names where each comes from), read field by field.

#include <gtest/gtest.h>

#include <tuple>

#include "ContactHelpers.h"

namespace tolvane::contact::test {
namespace {

namespace tag = mapi::tag;
namespace named = mapi::named;

VCardImport file(const std::string& name) {
    const auto bytes = dataFile(name);
    return importVCards(bytes, name);
}

ImportedContact only(const std::string& name) {
    VCardImport f = file(name);
    EXPECT_TRUE(f.problems.empty()) << name;
    EXPECT_EQ(f.contacts.size(), 1u) << name;
    EXPECT_TRUE(!f.contacts.empty() && f.contacts[0].problems.empty()) << name;
    return f.contacts.empty() ? ImportedContact{} : std::move(f.contacts[0]);
}

TEST(RealWorldCards, AppleAddressBookTwoOneAndThree) {
    // The same person as Apple's Address Book writes it in 2.1 (bare types) and 3.0 (grouped
    // properties with Apple's country hint).
    for (const char* name : {"text-vcard/apple_2.1_unicode.vcf", "text-vcard/apple_version3.vcf"}) {
        const auto m = only(name).message;
        EXPECT_EQ(text(m, tag::kDisplayName), "T-firstname T-surname") << name;
        EXPECT_EQ(text(m, tag::kGivenName), "T-first") << name;
        EXPECT_EQ(text(m, tag::kSurname), "T-surname") << name;
        EXPECT_EQ(text(m, tag::kHomeTelephoneNumber), "020 666 6666") << name;
        EXPECT_EQ(text(m, tag::kHomeAddressStreet), "Pref Test Road") << name;
        EXPECT_EQ(text(m, tag::kHomeAddressCity), "Pref Test City") << name;
        EXPECT_EQ(text(m, tag::kHomeAddressPostalCode), "Pref Test Postcode") << name;
        EXPECT_EQ(text(m, tag::kHomeAddressCountry), "Pref Test Country") << name;
        EXPECT_EQ(text(m, named::kWorkAddressStreet), "Test Road") << name;
        EXPECT_EQ(text(m, named::kWorkAddressCountry), "Test Country") << name;
        EXPECT_FALSE(m.props.has(tag::kBody)) << name;
    }
    EXPECT_EQ(text(only("text-vcard/apple_2.1_unicode.vcf").message, tag::kMobileTelephoneNumber),
              "0777 - 777 7777");
    EXPECT_EQ(text(only("text-vcard/apple_version3.vcf").message, tag::kMobileTelephoneNumber),
              "0777 777 7777");
}

TEST(RealWorldCards, VersionFourWithEscapesTypesAndDates) {
    const auto m = only("text-vcard/complete.vcf").message;
    EXPECT_EQ(text(m, tag::kDisplayName), "Bruce Banner, PhD");
    EXPECT_EQ(text(m, tag::kDisplayNamePrefix), "Dr.");
    EXPECT_EQ(text(m, tag::kGeneration), "PhD");
    EXPECT_EQ(text(m, tag::kHomeAddressStreet), "Main St");
    EXPECT_EQ(text(m, tag::kHomeAddressStateOrProvince), "New Mexico");
    EXPECT_EQ(text(m, named::kWorkAddressStreet), "\xE9\x83\xA8\xE9\x98\x9F\xE8\xA1\x97");
    EXPECT_EQ(dateOf(m, tag::kBirthday), "1970-04-14");
    EXPECT_EQ(text(m, named::kEmailEmailAddress[0]), "bbanner.work@example.com");
    EXPECT_EQ(text(m, named::kEmailEmailAddress[1]), "bbanner.home@example.com");
    EXPECT_EQ(text(m, tag::kBusinessTelephoneNumber), "651-290-1234");
    EXPECT_EQ(text(m, tag::kMobileTelephoneNumber), "651-290-1111");
    EXPECT_EQ(text(m, tag::kTitle), "Research Scientist");
    EXPECT_EQ(text(m, tag::kBody), "Photo: http://shh.supersecret.army.mil/bbanner.gif\nTZ: UTC-7");
}

TEST(RealWorldCards, QuotedPrintableAcrossLinesAndCharsets) {
    const auto a = only("text-vcard/encoding.vcf").message;
    EXPECT_EQ(text(a, tag::kNickname), "The Professor");
    EXPECT_EQ(text(a, tag::kMiddleName), "Paul");
    EXPECT_EQ(text(a, tag::kBusinessFaxNumber), "(801) 234-1001");
    EXPECT_EQ(text(a, named::kWorkAddressStreet),
              "Corporate\nSoftware Development\r\n333 West River Park Drive");
    EXPECT_EQ(text(a, named::kWorkAddressPostalCode), "84604");
    EXPECT_EQ(text(a, named::kWorkAddressCountry), "United States of America");

    const auto b = only("text-vcard/quoted.vcf").message;
    EXPECT_EQ(text(b, tag::kOtherAddressStreet), "A street on a quoted line");
    EXPECT_EQ(text(b, tag::kOtherAddressPostalCode), "0815");
    EXPECT_EQ(text(b, tag::kOtherAddressCountry), "\xC3\x96sterreich");

    const auto c = only("text-vcard/quotedprintable.vcf").message;
    EXPECT_EQ(text(c, tag::kDisplayName), "Carl Gau\xC3\x9F");
    EXPECT_EQ(text(c, tag::kSurname), "Gau\xC3\x9F");

    const auto d = only("text-vcard/unwrap.vcf").message;
    EXPECT_EQ(text(d, tag::kSurname), "mynameisveryveryveryveryveryverylong");
    EXPECT_EQ(text(d, tag::kHomeAddressPostalCode), "55416");
    EXPECT_EQ(text(d, tag::kBody).substr(0, 9), "\xE8\x87\xB4\xE6\xAD\xBB\xE9\x87\x8F");
}

TEST(RealWorldCards, EvolutionFileAs) {
    const auto m = only("text-vcard/evolution.vcf").message;
    EXPECT_EQ(text(m, tag::kDisplayName), "T-firstname T-surname");
    EXPECT_EQ(text(m, named::kFileUnder), "Sister");
    EXPECT_EQ(text(m, tag::kHomeTelephoneNumber), "020 666 6666");
}

TEST(RealWorldCards, PhotosInBase64) {
    // Evolution's GIF named with an unknown type, and a 3.0 card's JPEG with the 2.1 BASE64
    // parameter and lines folded with two blanks.
    const std::vector<std::tuple<std::string, std::string, std::size_t>> cases = {
        {"text-vcard/base64.vcf", "ContactPicture.gif", 1387},
        {"sabre-vobject/issue153.vcf", "ContactPicture.jpg", 19685}};
    for (const auto& [name, picture, size] : cases) {
        const auto m = only(name).message;
        ASSERT_EQ(m.attachments.size(), 1u) << name;
        const auto& a = m.attachments[0].props;
        EXPECT_TRUE(a.get(tag::kAttachmentContactPhoto)->asBool()) << name;
        EXPECT_EQ(a.get(tag::kAttachLongFilename)->asString(), picture) << name;
        EXPECT_EQ(a.get(tag::kAttachDataBinary)->asBytes().size(), size) << name;
        EXPECT_TRUE(m.props.getNamed(named::kHasPicture)->asBool()) << name;
    }
    EXPECT_EQ(text(only("text-vcard/base64.vcf").message, tag::kCompanyName),
              "For Great Justice\xE2\x84\xA2");
}

}  // namespace
}  // namespace tolvane::contact::test
