// Zimbra's facts as the folder rule and the state mapper use them: flag letters, system
// folders, folder paths with batches merged, and entry names made safe.

#include <gtest/gtest.h>

#include "source/EntryName.h"
#include "source/FolderPath.h"
#include "source/ZimbraFlags.h"
#include "source/ZimbraFolders.h"

namespace tolvane::source {
namespace {

TEST(ZimbraFlagLetters, LettersAndBitsAgreeBothWays) {
    EXPECT_EQ(flagsOfLetters("srwfd!?u"), static_cast<std::uint32_t>(ZimbraFlag::FromMe) |
                                              static_cast<std::uint32_t>(ZimbraFlag::Replied) |
                                              static_cast<std::uint32_t>(ZimbraFlag::Forwarded) |
                                              static_cast<std::uint32_t>(ZimbraFlag::Flagged) |
                                              static_cast<std::uint32_t>(ZimbraFlag::Draft) |
                                              static_cast<std::uint32_t>(ZimbraFlag::HighPriority) |
                                              static_cast<std::uint32_t>(ZimbraFlag::LowPriority) |
                                              0x200u);
    for (std::uint32_t bit = 1; bit != 0 && bit <= (1u << 30); bit <<= 1) {
        const auto flag = static_cast<ZimbraFlag>(bit);
        if (const auto letter = letterOfFlag(flag)) {
            EXPECT_EQ(flagOfLetter(*letter), flag) << *letter;
        }
    }
    EXPECT_FALSE(letterOfFlag(ZimbraFlag::Copied).has_value());
    EXPECT_EQ(flagsOfLetters("Z%"), 0u);
}

TEST(ZimbraSystemFolders, IdsAndReservedTopNamesIdentifyThem) {
    EXPECT_EQ(systemFolderOfId(2), SystemFolder::Inbox);
    EXPECT_EQ(systemFolderOfId(254), SystemFolder::Outbox);
    EXPECT_EQ(systemFolderName(SystemFolder::EmailedContacts), "Emailed Contacts");
    EXPECT_FALSE(systemFolderOfId(256).has_value());
    EXPECT_EQ(systemFolderOfPath({"inbox", "Projects"}), SystemFolder::Inbox);
    EXPECT_EQ(systemFolderOfPath({"Trash"}), SystemFolder::Trash);
    EXPECT_EQ(systemFolderOfPath({"Sent"}), SystemFolder::Sent);
    // A server mailbox may have a user folder called Outbox; Zimbra Desktop's has id 254.
    EXPECT_FALSE(systemFolderOfPath({"Outbox"}).has_value());
    EXPECT_FALSE(systemFolderOfPath({"Inboxes"}).has_value());
    EXPECT_FALSE(systemFolderOfPath({}).has_value());
}

TEST(BatchFoldersMerge, OnlyTheLastComponentLosesItsSuffix) {
    EXPECT_EQ(withoutBatchSuffix("Inbox!3"), "Inbox");
    EXPECT_EQ(withoutBatchSuffix("Inbox!12"), "Inbox");
    EXPECT_EQ(withoutBatchSuffix("Inbox"), "Inbox");
    EXPECT_EQ(withoutBatchSuffix("Wow!"), "Wow!");
    EXPECT_EQ(withoutBatchSuffix("Hey!you"), "Hey!you");
    EXPECT_EQ(withoutBatchSuffix("!5"), "!5");

    Item item;
    item.entry = "Inbox!1/Sub!2/0000000300-x.eml";
    EXPECT_EQ(folderPathOf(item).components, (std::vector<std::string>{"Inbox!1", "Sub"}));
    EXPECT_FALSE(folderPathOf(item).fromMeta);
    item.entry = "0000000300-top.eml";
    EXPECT_TRUE(folderPathOf(item).components.empty());
}

TEST(BatchFoldersMerge, TheMetaPathWinsWithItsRealNames) {
    Item message;
    message.kind = ItemKind::Message;
    message.entry = "Work_ 2024_!1/0000000300-x.eml";
    message.meta.emplace();
    message.meta->path = "/Work: 2024?/";
    EXPECT_EQ(folderPathOf(message).components, (std::vector<std::string>{"Work: 2024?"}));
    EXPECT_TRUE(folderPathOf(message).fromMeta);

    Item folder;
    folder.kind = ItemKind::Folder;
    folder.meta.emplace();
    folder.meta->path = "/Inbox/Projects";
    EXPECT_EQ(folderPathOf(folder).components, (std::vector<std::string>{"Inbox", "Projects"}));

    Item document;
    document.kind = ItemKind::Document;
    document.meta.emplace();
    document.meta->path = "/Briefcase/report.txt";
    EXPECT_EQ(folderPathOf(document).components, (std::vector<std::string>{"Briefcase"}));
}

TEST(EntryNamesStayInside, DotDotRootsAndDrivesAreFlaggedAndDropped) {
    const auto check = [](const char* raw, const char* name, bool unsafe) {
        const SafeName safe = safeEntryName(raw);
        EXPECT_EQ(safe.name, name) << raw;
        EXPECT_EQ(safe.unsafe, unsafe) << raw;
    };
    check("Inbox/0000000300-a.eml", "Inbox/0000000300-a.eml", false);
    check("./Inbox/./a.eml", "Inbox/a.eml", false);
    check("Inbox/0000000300-C_\\temp.eml", "Inbox/0000000300-C_\\temp.eml", false);
    check("../../escape.eml", "escape.eml", true);
    check("Inbox/../../x.eml", "Inbox/x.eml", true);
    check("/etc/absolute.eml", "etc/absolute.eml", true);
    check("//server/share/x.eml", "server/share/x.eml", true);
    check("C:\\Windows\\drive.eml", "Windows\\drive.eml", true);
    check("c:/x.eml", "x.eml", true);
    check("Inbox/..\\..\\back.eml", "Inbox/back.eml", true);
}

TEST(EntryNamesStayInside, NamesThatAreNotUtf8AreReadAsLatin1) {
    EXPECT_EQ(entryNameAsUtf8("Bo\xEEte.eml"), "Boîte.eml");
    EXPECT_EQ(entryNameAsUtf8("Boîte.eml"), "Boîte.eml");
}

}  // namespace
}  // namespace tolvane::source
