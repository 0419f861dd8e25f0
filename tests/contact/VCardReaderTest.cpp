// The vCard reader: lines, encodings and structure of real cards (RFC 2426 2.4-2.6,
// RFC 6350 3.2-3.4, and the 2.1 forms), and what it says about what it cannot read.

#include <gtest/gtest.h>

#include "ContactHelpers.h"
#include "contact/VCardReader.h"

namespace tolvane::contact::test {
namespace {

const VCardProperty* find(const VCard& card, std::string_view name) {
    for (const auto& p : card.properties) {
        if (p.name == name) {
            return &p;
        }
    }
    return nullptr;
}

TEST(VCardLines, FoldedLinesJoinWithOneBlankDropped) {
    const auto file = readVCards(
        "BEGIN:VCARD\r\nVERSION:3.0\r\nNOTE:one \r\n two\r\n\tthree\nFN:Ann\rEND:VCARD\r\n");
    ASSERT_EQ(file.cards.size(), 1u);
    EXPECT_EQ(find(file.cards[0], "NOTE")->value, "one twothree");
    EXPECT_EQ(find(file.cards[0], "FN")->value, "Ann");  // bare LF and CR end lines too
    EXPECT_EQ(file.cards[0].version, "3.0");
    EXPECT_TRUE(file.issues.empty());
}

TEST(VCardLines, QuotedPrintableSoftBreaksAndCharsets) {
    const auto file = readVCards(
        "BEGIN:VCARD\r\nVERSION:2.1\r\n"
        "ADR;HOME;ENCODING=QUOTED-PRINTABLE;CHARSET=ISO-8859-1:;;Rue de l'=C9glise=0D=0A=\r\n"
        "B=E2timent 2;Paris\r\n"
        "N;QUOTED-PRINTABLE;CHARSET=utf-8:Gau=C3=9F;Carl\r\n"
        "NOTE;ENCODING=QUOTED-PRINTABLE:a=\r\n b\r\nEND:VCARD\r\n");
    ASSERT_EQ(file.cards.size(), 1u);
    const VCard& c = file.cards[0];
    EXPECT_EQ(find(c, "ADR")->value, ";;Rue de l'\xC3\x89glise\r\nB\xC3\xA2timent 2;Paris");
    EXPECT_TRUE(find(c, "ADR")->hasType("home"));
    EXPECT_EQ(find(c, "N")->value, "Gau\xC3\x9F;Carl");
    EXPECT_EQ(find(c, "NOTE")->value, "ab");
}

TEST(VCardLines, UndeclaredEightBitTextIsUtf8ElseWindows1252) {
    const auto file = readVCards("BEGIN:VCARD\nFN:J\xC3\xBCrgen\nNOTE:caf\xE9 \x80\nEND:VCARD\n");
    ASSERT_EQ(file.cards.size(), 1u);
    EXPECT_EQ(find(file.cards[0], "FN")->value, "J\xC3\xBCrgen");
    EXPECT_EQ(find(file.cards[0], "NOTE")->value, "caf\xC3\xA9 \xE2\x82\xAC");
}

TEST(VCardLines, Utf16FilesAreRead) {
    std::string utf16 = "\xFF\xFE";
    for (char16_t u : std::u16string(u"BEGIN:VCARD\r\nFN:\u00C5sa\r\nEND:VCARD\r\n")) {
        utf16.push_back(static_cast<char>(u & 0xFF));
        utf16.push_back(static_cast<char>(u >> 8));
    }
    for (const std::string& bytes : {utf16, utf16.substr(2)}) {
        const auto file = readVCards(bytes);
        ASSERT_EQ(file.cards.size(), 1u);
        EXPECT_EQ(find(file.cards[0], "FN")->value, "\xC3\x85sa");
    }
}

TEST(VCardValues, EscapesAndStructuredValues) {
    EXPECT_EQ(unescapeText("a\\, b\\; c\\\\d\\ne\\Nf"), "a, b; c\\d\ne\nf");
    EXPECT_EQ(splitValue("Doe\\;Smith;Ann;;Dr.", ';'),
              (std::vector<std::string>{"Doe;Smith", "Ann", "", "Dr."}));
    EXPECT_EQ(splitValue("a\\,b,c", ','), (std::vector<std::string>{"a,b", "c"}));
}

TEST(VCardValues, BinaryValuesInEveryForm) {
    const auto file = readVCards(
        "BEGIN:VCARD\r\nVERSION:2.1\r\nPHOTO;JPEG;BASE64:\r\n    /9j/4AAQ\r\n    SkZJRg==\r\n\r\n"
        "LOGO:data:image/png;base64,iVBORw0KGgo=\r\n"
        "KEY;ENCODING=b:!!notbase64!!\r\nEND:VCARD\r\n");
    ASSERT_EQ(file.cards.size(), 1u);
    const VCard& c = file.cards[0];
    const auto* photo = find(c, "PHOTO");
    ASSERT_TRUE(photo->data);
    EXPECT_EQ(photo->data->size(), 10u);
    EXPECT_EQ((*photo->data)[0], 0xFF);
    EXPECT_TRUE(photo->hasType("jpeg"));
    const auto* logo = find(c, "LOGO");
    ASSERT_TRUE(logo->data);
    EXPECT_EQ(logo->dataType, "image/png");
    EXPECT_EQ(logo->data->size(), 8u);
    const auto* key = find(c, "KEY");
    EXPECT_FALSE(key->data);
    EXPECT_EQ(key->value, "!!notbase64!!");
    ASSERT_EQ(file.issues.size(), 1u);
    EXPECT_EQ(file.issues[0].line, 8);
    EXPECT_NE(file.issues[0].what.find("base64"), std::string::npos);
}

TEST(VCardValues, GroupsAndParameters) {
    const auto file = readVCards(
        "BEGIN:VCARD\r\nitem1.TEL;type=\"WORK,voice\";Pref=1:123\r\nitem1.X-ABLabel:desk\r\n"
        "END:VCARD\r\n");
    ASSERT_EQ(file.cards.size(), 1u);
    const auto* tel = find(file.cards[0], "TEL");
    EXPECT_EQ(tel->group, "item1");
    EXPECT_TRUE(tel->hasType("work"));
    EXPECT_TRUE(tel->hasType("VOICE"));
    EXPECT_EQ(tel->param("PREF"), "1");
    EXPECT_EQ(find(file.cards[0], "X-ABLABEL")->group, "item1");
}

TEST(VCardStructure, ManyCardsAndNestedAgent) {
    const auto file = readVCards(
        "BEGIN:VCARD\nFN:A\nAGENT:BEGIN:VCARD\nFN:Assistant\nEND:VCARD\nEND:VCARD\n\n"
        "BEGIN:vcard\nFN:B\nend:VCARD\n");
    ASSERT_EQ(file.cards.size(), 2u);
    EXPECT_EQ(find(file.cards[0], "FN")->value, "A");
    EXPECT_NE(find(file.cards[0], "AGENT")->value.find("FN:Assistant"), std::string::npos);
    EXPECT_EQ(find(file.cards[1], "FN")->value, "B");
    EXPECT_TRUE(file.issues.empty());
}

TEST(VCardStructure, WhatCannotBeReadIsReportedWithItsLine) {
    const auto file = readVCards(
        "stray text\nBEGIN:VCARD\nFN:A\nthis line has no colon\nEND:VCARD\nFN:outside\n"
        "BEGIN:VCARD\nFN:B\n");
    ASSERT_EQ(file.cards.size(), 2u);
    ASSERT_EQ(file.issues.size(), 4u);
    EXPECT_EQ(file.issues[0].line, 1);
    EXPECT_EQ(file.issues[1].line, 4);
    EXPECT_NE(file.issues[1].what.find("kept in the notes"), std::string::npos);
    EXPECT_EQ(file.issues[2].line, 6);
    EXPECT_EQ(file.issues[3].line, 7);
    EXPECT_NE(file.issues[3].what.find("no END:VCARD"), std::string::npos);
    EXPECT_EQ(file.cards[0].properties.back().value, "this line has no colon");

    const auto empty = readVCards("\r\n\r\n");
    EXPECT_TRUE(empty.cards.empty());
    ASSERT_EQ(empty.issues.size(), 1u);
    EXPECT_EQ(empty.issues[0].what, "the file holds no vCard");
}

}  // namespace
}  // namespace tolvane::contact::test
