// Files of their own: an unpacked message keeps the .meta beside it; vCard and iCalendar files
// are one item each; what cannot be read is reported, never dropped.

#include <gtest/gtest.h>

#include "ReadAll.h"
#include "TestFolder.h"
#include "source/SourceFormat.h"

namespace tolvane::source {
namespace {

using test::archive;
using test::readAll;
using test::textOf;

const char* kMessage = "From: a@example.com\r\nSubject: hi\r\n\r\nbody\r\n";
const char* kMeta =
    R"({"id":300,"type":5,"folder_id":2,"date":1700000000,"unread":1,"flags":32,"FlagStr":"fu","Path":"/Inbox/","Ver":10})";

TEST(UnpackedMessage, TheMetaBesideItGivesItsState) {
    const auto path = archive("unpacked") / "Inbox" / "0000000264-Unread hello.eml";
    const auto all = readAll(path);
    EXPECT_TRUE(all.problems.empty());
    ASSERT_EQ(all.items.size(), 1u);
    const Item& item = all.items[0];
    EXPECT_EQ(item.kind, ItemKind::Message);
    EXPECT_EQ(item.source, test::utf8(path));
    EXPECT_TRUE(item.entry.empty());
    EXPECT_EQ(item.reportName(), test::utf8(path));
    ASSERT_TRUE(item.meta.has_value());
    EXPECT_EQ(item.meta->id, 264);
    EXPECT_TRUE(item.meta->isUnread());
    ASSERT_TRUE(item.bytes.has_value());
    EXPECT_FALSE(item.bytes->spooled());
    EXPECT_NE(textOf(item).find("Subject: Unread hello"), std::string::npos);

    const auto read = readAll(archive("unpacked") / "Inbox" / "0000000265-Read plain.eml");
    ASSERT_EQ(read.items.size(), 1u);
    EXPECT_FALSE(read.items[0].meta->isUnread());
}

TEST(UnpackedMessage, WithoutAMetaItIsReadAsBeforeAndABadOneIsReported) {
    test::TestFolder folder;
    const auto plain = folder.write("plain.eml", kMessage);
    auto all = readAll(plain);
    EXPECT_TRUE(all.problems.empty());
    ASSERT_EQ(all.items.size(), 1u);
    EXPECT_FALSE(all.items[0].meta.has_value());
    EXPECT_EQ(textOf(all.items[0]), kMessage);

    const auto good = folder.write("good.eml", kMessage);
    folder.write("good.eml.meta", kMeta);
    all = readAll(good);
    ASSERT_EQ(all.items.size(), 1u);
    ASSERT_TRUE(all.items[0].meta.has_value());
    EXPECT_TRUE(all.items[0].meta->has(ZimbraFlag::Flagged));

    const auto broken = folder.write("broken.eml", kMessage);
    const auto brokenMeta = folder.write("broken.eml.meta", "{\"id\":");
    all = readAll(broken);
    ASSERT_EQ(all.items.size(), 1u);
    EXPECT_FALSE(all.items[0].meta.has_value());
    ASSERT_EQ(all.problems.size(), 1u);
    EXPECT_EQ(all.problems[0].kind, ProblemKind::MetaUnreadable);
    EXPECT_EQ(all.problems[0].source, test::utf8(brokenMeta));

    const auto folderMeta = folder.write("folder.eml", kMessage);
    folder.write("folder.eml.meta",
                 R"({"id":2,"type":1,"folder_id":1,"date":0,"unread":0,"flags":0,"Ver":10})");
    all = readAll(folderMeta);
    ASSERT_EQ(all.items.size(), 1u);
    EXPECT_FALSE(all.items[0].meta.has_value());
    ASSERT_EQ(all.problems.size(), 1u);
    EXPECT_NE(all.problems[0].text().find("folder"), std::string::npos) << all.problems[0].text();
}

TEST(LooseFiles, VCardAndICalendarFilesAreOneItemEach) {
    test::TestFolder folder;
    const auto card =
        folder.write("people.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:A\r\nEND:VCARD\r\n");
    const auto calendar = folder.write("dates.ICS", "BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n");
    auto all = readAll(card);
    ASSERT_EQ(all.items.size(), 1u);
    EXPECT_EQ(all.items[0].kind, ItemKind::Contact);
    all = readAll(calendar);
    ASSERT_EQ(all.items.size(), 1u);
    EXPECT_EQ(all.items[0].kind, ItemKind::Appointment);
    EXPECT_EQ(surveySource(card).count(ItemKind::Contact), 1u);
}

TEST(LooseFiles, WhatCannotBeReadGivesAProblemAndNoItem) {
    test::TestFolder folder;
    std::filesystem::create_directory(folder.path() / "folder.eml");
    const auto notes = folder.write("notes.txt", "text");
    for (const auto& path : {folder.path() / "missing.eml", folder.path() / "folder.eml", notes}) {
        const auto all = readAll(path);
        EXPECT_TRUE(all.items.empty()) << path;
        ASSERT_EQ(all.problems.size(), 1u) << path;
        EXPECT_EQ(all.problems[0].kind, ProblemKind::Unreadable);
        EXPECT_EQ(all.problems[0].source, test::utf8(path));
    }
}

TEST(LooseFiles, FormatsGoByTheName) {
    EXPECT_EQ(sourceFormatOf("a/b.EML"), SourceFormat::MessageFile);
    EXPECT_EQ(sourceFormatOf("export.TAR.GZ"), SourceFormat::Archive);
    EXPECT_EQ(sourceFormatOf("export.tgz"), SourceFormat::Archive);
    EXPECT_EQ(sourceFormatOf("export.tar"), SourceFormat::Archive);
    EXPECT_EQ(sourceFormatOf("export.zip"), SourceFormat::Archive);
    EXPECT_EQ(sourceFormatOf("c.vcf"), SourceFormat::VCardFile);
    EXPECT_FALSE(sourceFormatOf("x.eml.meta").has_value());
    EXPECT_FALSE(sourceFormatOf("x.gz").has_value());
}

}  // namespace
}  // namespace tolvane::source
