// A Zimbra export read as it is: every item in the exporter's order, each with its .meta and
// its bytes, in tgz, tar (GNU and pax long names) and zip.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>

#include "ReadAll.h"
#include "source/FolderPath.h"
#include "source/ZimbraMetadata.h"

namespace tolvane::source {
namespace {

using test::archive;
using test::readAll;
using test::textOf;

std::string unpackedText(const std::string& entry) {
    std::ifstream in(
        archive("unpacked") / std::filesystem::path(std::u8string(entry.begin(), entry.end())),
        std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::size_t countOf(const test::ReadAll& all, ItemKind kind) {
    return static_cast<std::size_t>(std::count_if(all.items.begin(), all.items.end(),
                                                  [&](const Item& i) { return i.kind == kind; }));
}

const std::string kLongName =
    "Inbox/0000000283-Long " + std::string(103, 'x') + "?.eml";  // a surrogate cut in half

TEST(ZimbraArchive, ItemsComeInTheExportersOrderEachWithItsMetaAndBytes) {
    const auto all = readAll(archive("sample.tgz"));
    for (const Problem& p : all.problems)
        ADD_FAILURE() << p.text();
    ASSERT_EQ(all.items.size(), 48u);
    // Folders first, then tags, then the items by id.
    EXPECT_EQ(all.items.front().entry, "0000000011-ROOT");
    EXPECT_EQ(all.items[21].entry, "Tags/0000000262-a_b\\c");
    EXPECT_EQ(all.items[22].entry, "Inbox/0000000264-Unread hello.eml");
    EXPECT_EQ(all.items.back().entry, "Briefcase/report.txt");
    EXPECT_EQ(countOf(all, ItemKind::Folder), 19u);
    EXPECT_EQ(countOf(all, ItemKind::Tag), 3u);
    EXPECT_EQ(countOf(all, ItemKind::Message), 20u);

    const auto zip = readAll(archive("sample.zip"));
    for (const Item& item : all.items) {
        EXPECT_EQ(item.source, test::utf8(archive("sample.tgz")));
        ASSERT_TRUE(item.meta.has_value()) << item.entry;
        if (item.kind == ItemKind::Message || item.kind == ItemKind::Appointment ||
            item.kind == ItemKind::Task || item.kind == ItemKind::Document) {
            ASSERT_TRUE(item.bytes.has_value()) << item.entry;
            EXPECT_EQ(static_cast<std::int64_t>(item.bytes->size()), item.meta->size) << item.entry;
        }
        if (item.kind == ItemKind::Message) {
            const Item* same = zip.find(item.entry);
            ASSERT_NE(same, nullptr) << item.entry;
            EXPECT_EQ(textOf(item), textOf(*same)) << item.entry;
        }
    }
    EXPECT_EQ(textOf(*all.find("Inbox/0000000264-Unread hello.eml")),
              unpackedText("Inbox/0000000264-Unread hello.eml"));
    const Item* unread = all.find("Inbox/0000000264-Unread hello.eml");
    ASSERT_NE(unread, nullptr);
    EXPECT_TRUE(unread->meta->isUnread());
    EXPECT_EQ(unread->meta->folderId, 2);
    EXPECT_EQ(unread->meta->path, "/Inbox/");
    EXPECT_FALSE(all.find("Inbox/0000000265-Read plain.eml")->meta->isUnread());
    EXPECT_TRUE(all.find("Drafts/0000000273-Unsent draft.eml")->meta->has(ZimbraFlag::Draft));
    EXPECT_EQ(all.find("Inbox/0000000267-Re_ quarterly figures.eml")->meta->subject,
              "quarterly figures");
    EXPECT_EQ(all.find("Inbox/0000000271-Tagged twice.eml")->meta->tagNames,
              (std::vector<std::string>{"Important", "a:b\\c"}));
    const Item* long_ = all.find(kLongName);
    ASSERT_NE(long_, nullptr) << "the GNU long name";
    EXPECT_TRUE(all.find("Inbox/0000000280-Chars _ _ _ _ _ _ _ _ and \\ back.eml"));
    EXPECT_TRUE(all.find("Inbox/message-282.eml"));  // no subject
}

TEST(ZimbraArchive, FoldersTagsAndContactsComeAsTheirMetaAlone) {
    const auto all = readAll(archive("sample.tgz"));
    const Item* projects = all.find("Inbox/0000000257-Projects");
    ASSERT_NE(projects, nullptr);
    EXPECT_EQ(projects->kind, ItemKind::Folder);
    EXPECT_FALSE(projects->bytes.has_value());
    EXPECT_EQ(projects->meta->name, "Projects");
    EXPECT_EQ(folderViewOf(metadataOf(*projects->meta)), 5);
    EXPECT_EQ(colourOf(metadataOf(*projects->meta)), 3);
    EXPECT_EQ(folderViewOf(metadataOf(*all.find("0000000010-Calendar")->meta)), 11);

    const Item* tag = all.find("Tags/0000000262-a_b\\c");
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(tag->kind, ItemKind::Tag);
    EXPECT_EQ(tag->meta->name, "a:b\\c");
    EXPECT_EQ(colourOf(metadataOf(*tag->meta)), 0x1FF8800);

    const Item* john = all.find("Contacts/Smith, John");
    ASSERT_NE(john, nullptr);
    EXPECT_EQ(john->kind, ItemKind::Contact);
    EXPECT_FALSE(john->bytes.has_value());
    const auto fields = contactFieldsOf(metadataOf(*john->meta));
    EXPECT_NE(std::find(fields.begin(), fields.end(),
                        std::pair<std::string, std::string>{"company", "Ünïcode GmbH 😀"}),
              fields.end());
    EXPECT_TRUE(all.find("Contacts/smith, john-01"));  // a clash in another case gets -01
    const Item* photo = all.find("Contacts/With Photo");
    ASSERT_NE(photo, nullptr);
    ASSERT_TRUE(photo->bytes.has_value()) << "a contact's blob follows its .meta";
    EXPECT_EQ(textOf(*photo).substr(1, 3), "PNG");

    const Item* appt = all.find("Calendar/0000000287-Team meeting.appt");
    ASSERT_NE(appt, nullptr);
    EXPECT_EQ(appt->kind, ItemKind::Appointment);
    EXPECT_NE(textOf(*appt).find("BEGIN:VEVENT"), std::string::npos);
    EXPECT_EQ(all.find("Tasks/0000000288-Buy milk.task")->kind, ItemKind::Task);
    EXPECT_EQ(all.find("Briefcase/report.txt")->kind, ItemKind::Document);
}

TEST(ZimbraArchive, FolderPathsAreTheMailboxsOwnFromItsTop) {
    const auto all = readAll(archive("sample.tgz"));
    const auto pathOf = [&](const char* entry) {
        const Item* item = all.find(entry);
        return item ? folderPathOf(*item).components : std::vector<std::string>{"(missing)"};
    };
    EXPECT_EQ(pathOf("Work_ 2024_ _plans_ _a_b_/0000000279-In the odd folder.eml"),
              (std::vector<std::string>{"Work: 2024? \"plans\" <a|b>"}));
    EXPECT_EQ(pathOf("Inbox/Projects/Deep/0000000278-Two levels down.eml"),
              (std::vector<std::string>{"Inbox", "Projects", "Deep"}));
    EXPECT_EQ(pathOf("Inbox/0000000257-Projects"), (std::vector<std::string>{"Inbox", "Projects"}));
    EXPECT_EQ(pathOf("Contacts/Smith, John"), (std::vector<std::string>{"Contacts"}));
    EXPECT_EQ(pathOf("Briefcase/report.txt"), (std::vector<std::string>{"Briefcase"}));
    EXPECT_TRUE(pathOf("0000000001-USER_ROOT").empty());
}

TEST(ZimbraArchive, AZipWithoutMetaIsReadByExtension) {
    const auto all = readAll(archive("sample.zip"));
    for (const Problem& p : all.problems)
        ADD_FAILURE() << p.text();
    ASSERT_EQ(all.items.size(), 26u);
    EXPECT_EQ(countOf(all, ItemKind::Message), 20u);
    EXPECT_EQ(countOf(all, ItemKind::Contact), 3u);
    for (const Item& item : all.items) {
        EXPECT_FALSE(item.meta.has_value()) << item.entry;
        EXPECT_TRUE(item.bytes.has_value()) << item.entry;
    }
    const Item* contact = all.find("Contacts/Smith, John.vcf");
    ASSERT_NE(contact, nullptr);
    EXPECT_EQ(contact->kind, ItemKind::Contact);
    EXPECT_NE(textOf(*contact).find("BEGIN:VCARD"), std::string::npos);
    EXPECT_EQ(all.find("Calendar/0000000287-Team meeting.ics")->kind, ItemKind::Appointment);
    EXPECT_EQ(all.find("Tasks/0000000288-Buy milk.task")->kind, ItemKind::Task);
    EXPECT_EQ(textOf(*all.find("Inbox/0000000264-Unread hello.eml")),
              unpackedText("Inbox/0000000264-Unread hello.eml"));
    EXPECT_EQ(folderPathOf(*all.find("Work_ 2024_ _plans_ _a_b_/0000000279-In the odd folder.eml"))
                  .components,
              (std::vector<std::string>{"Work_ 2024_ _plans_ _a_b_"}));
    EXPECT_TRUE(all.find(kLongName));
}

TEST(ZimbraArchive, PlainTarAndPaxLongNamesReadAsTheTgzDoes) {
    const auto tgz = readAll(archive("sample.tgz"));
    for (const char* name : {"sample.tar", "pax.tar"}) {
        const auto tar = readAll(archive(name));
        EXPECT_TRUE(tar.problems.empty()) << name;
        EXPECT_EQ(tar.entries(), tgz.entries()) << name;
        ASSERT_TRUE(tar.find(kLongName)) << name;
        EXPECT_EQ(textOf(*tar.find(kLongName)), textOf(*tgz.find(kLongName))) << name;
    }
}

TEST(BatchFoldersMerge, AFolderSplitEvery500ItemsIsOneFolderAgain) {
    for (const char* name : {"batches.tgz", "batches.zip"}) {
        const auto all = readAll(archive(name));
        EXPECT_TRUE(all.problems.empty()) << name;
        EXPECT_EQ(countOf(all, ItemKind::Message), 1600u) << name;
        std::map<std::string, std::size_t> byEntryFolder;
        std::size_t inInbox = 0;
        for (const Item& item : all.items) {
            if (item.kind != ItemKind::Message)
                continue;
            const auto folder = folderPathOf(item);
            EXPECT_EQ(folder.fromMeta, std::string(name).ends_with(".tgz")) << item.entry;
            ++byEntryFolder[item.entry.substr(0, item.entry.rfind('/'))];
            if (folder.components == std::vector<std::string>{"Inbox"})
                ++inInbox;
        }
        // Inbox's 1,000 messages were written as Inbox, Inbox!1 and Inbox!2.
        EXPECT_EQ(byEntryFolder["Inbox"], 498u) << name;
        EXPECT_EQ(byEntryFolder["Inbox!1"], 500u) << name;
        EXPECT_EQ(byEntryFolder["Inbox!2"], 2u) << name;
        EXPECT_EQ(inInbox, 1000u) << name;
    }
}

TEST(ZimbraArchive, DesktopOutboxKeepsItsId) {
    const auto all = readAll(archive("desktop.tgz"));
    const Item* outbox = all.find("0000000254-Outbox");
    ASSERT_NE(outbox, nullptr);
    EXPECT_EQ(outbox->meta->id, 254);
    const auto waiting = std::find_if(all.items.begin(), all.items.end(),
                                      [](const Item& i) { return i.entry.starts_with("Outbox/"); });
    ASSERT_NE(waiting, all.items.end());
    EXPECT_EQ(waiting->meta->folderId, 254);
    EXPECT_TRUE(waiting->meta->has(ZimbraFlag::Draft));
}

TEST(SourceSurvey, CountsEachKindWithoutKeepingBytes) {
    const SourceSurvey tgz = surveySource(archive("sample.tgz"));
    EXPECT_EQ(tgz.count(ItemKind::Message), 20u);
    EXPECT_EQ(tgz.count(ItemKind::Contact), 3u);
    EXPECT_EQ(tgz.count(ItemKind::Appointment), 1u);
    EXPECT_EQ(tgz.count(ItemKind::Task), 1u);
    EXPECT_EQ(tgz.count(ItemKind::Document), 1u);
    EXPECT_EQ(tgz.count(ItemKind::Folder), 19u);
    EXPECT_EQ(tgz.count(ItemKind::Tag), 3u);
    EXPECT_EQ(tgz.problemCount, 0u);
    const SourceSurvey zip = surveySource(archive("sample.zip"));
    EXPECT_EQ(zip.count(ItemKind::Message), 20u);
    EXPECT_EQ(zip.count(ItemKind::Other), 1u);
    EXPECT_EQ(surveySource(archive("batches.tgz")).count(ItemKind::Message), 1600u);

    const SourceSurvey damaged = surveySource(archive("meta-without-item.tgz"));
    EXPECT_EQ(damaged.count(ItemKind::Message), 19u);
    EXPECT_EQ(damaged.problemCount, 1u);
    ASSERT_EQ(damaged.firstProblems.size(), 1u);
    EXPECT_EQ(damaged.firstProblems[0].kind, ProblemKind::MetaWithoutItem);
}

}  // namespace
}  // namespace tolvane::source
