// Outlook's special folders in a written store, found the way Outlook finds them: through the
// store's entry ids, the receive-folder table and the entry ids on the root folder and the
// Inbox, read back by pypff's raw property access and by pst-extractor.

#include <sstream>

#include "StoreFiles.h"
#include "mapi/Tags.h"
#include "pst/PstError.h"
#include "pst/PstWriter.h"

namespace tolvane::pst::testing {
namespace {

namespace fs = std::filesystem;

class SpecialFolders : public StoreFiles {
  protected:
    // The lines of a reader script's output that start with one of the prefixes.
    std::string linesOf(const std::string& command, const fs::path& pst,
                        std::initializer_list<std::string> prefixes) const {
        std::string output;
        EXPECT_EQ(run(command + " '" + pst.string() + "'", output), 0) << output.substr(0, 4000);
        std::istringstream in(output);
        std::string line, kept;
        while (std::getline(in, line)) {
            for (const std::string& prefix : prefixes) {
                if (line.rfind(prefix + " ", 0) == 0) {
                    kept += line + "\n";
                    break;
                }
            }
        }
        return kept;
    }
    std::string pypffPointers(const fs::path& pst) const {
        return linesOf(std::string(TOLVANE_READERS_PYTHON) + " " TOLVANE_TEST_ROOT
                                                             "/pst/messaging/pypff_pointers.py",
                       pst, {"store", "root", "inbox"});
    }
    std::string extractor(const fs::path& pst, std::initializer_list<std::string> prefixes) const {
        return linesOf("timeout 300 node " TOLVANE_TEST_ROOT "/pst/messaging/extractor_state.js",
                       pst, prefixes);
    }
};

// The pointer lines both readers print for Outlook's own default store, and for ours.
TEST_F(SpecialFolders, ReadersFindOutlooksOwnPointersInItsDefaultStore) {
    const fs::path outlook = fs::path(TOLVANE_PST_SAMPLES) / "javalibpst-dist-list.pst";
    ASSERT_TRUE(fs::exists(outlook)) << "test input missing: " << outlook;
    const std::string folderPointers =
        "36D0 -> Calendar (IPF.Appointment)\n"
        "36D1 -> Contacts (IPF.Contact)\n"
        "36D2 -> Journal (IPF.Journal)\n"
        "36D3 -> Notes (IPF.StickyNote)\n"
        "36D4 -> Tasks (IPF.Task)\n"
        "36D7 -> Drafts (IPF.Note)\n"
        "36D8[4] -> Junk E-mail (IPF.Note)\n";
    auto on = [](const std::string& label, const std::string& lines) {
        std::string out;
        std::istringstream in(lines);
        for (std::string line; std::getline(in, line);) {
            out += label + " " + line + "\n";
        }
        return out;
    };
    const std::string store =
        "store 35E0 -> Top of Personal Folders ()\n"
        "store 35E2 -> Outbox ()\n"
        "store 35E3 -> Deleted Items ()\n"
        "store 35E4 -> Sent Items ()\n"
        "store 35E7 -> Search Root ()\n";
    EXPECT_EQ(pypffPointers(outlook), store + "store 35DF = 0xFF\n" + on("root", folderPointers) +
                                          on("inbox", folderPointers));
    EXPECT_EQ(extractor(outlook, {"store", "root", "inbox", "receive"}),
              store + on("root", folderPointers) +
                  "receive \"\" -> Inbox ()\n"
                  "receive \"IPM\" -> Inbox ()\n"
                  "receive \"Report.IPM\" -> Inbox ()\n"
                  "receive \"IPC\" ->  ()\n" +
                  on("inbox", folderPointers));
}

TEST_F(SpecialFolders, EverySpecialFolderIsFoundThroughItsPointers) {
    const fs::path pst = file("special.pst");
    auto writer = PstWriter::create(pst, "Special");
    // Drafts and Junk E-mail before the Inbox: the Inbox gets their pointers when it comes.
    const FolderId drafts = writer->specialFolder(SpecialFolder::Drafts);
    writer->specialFolder(SpecialFolder::JunkEmail);
    const FolderId inbox = writer->specialFolder(SpecialFolder::Inbox);
    for (SpecialFolder f : {SpecialFolder::Outbox, SpecialFolder::SentItems,
                            SpecialFolder::Calendar, SpecialFolder::Contacts, SpecialFolder::Tasks,
                            SpecialFolder::Notes, SpecialFolder::Journal}) {
        writer->specialFolder(f);
    }
    EXPECT_EQ(writer->specialFolder(SpecialFolder::DeletedItems), writer->deletedItems());
    writer->addMessage(inbox, mailMessage("Arrived", "hello", false));
    writer->addMessage(writer->addFolder(inbox, "Projects"), mailMessage("Filed", "plan", true));
    writer->addMessage(drafts, mailMessage("Unsent", "draft", true));
    writer->addMessage(writer->specialFolder(SpecialFolder::SentItems),
                       mailMessage("Went out", "reply", true));
    writer->close();

    const std::string folderPointers =
        "36D0 -> Calendar (IPF.Appointment)\n"
        "36D1 -> Contacts (IPF.Contact)\n"
        "36D2 -> Journal (IPF.Journal)\n"
        "36D3 -> Notes (IPF.StickyNote)\n"
        "36D4 -> Tasks (IPF.Task)\n"
        "36D7 -> Drafts (IPF.Note)\n"
        "36D8[4] -> Junk E-mail (IPF.Note)\n";
    auto on = [](const std::string& label, const std::string& lines) {
        std::string out;
        std::istringstream in(lines);
        for (std::string line; std::getline(in, line);) {
            out += label + " " + line + "\n";
        }
        return out;
    };
    const std::string store =
        "store 35E0 -> Top of Personal Folders ()\n"
        "store 35E2 -> Outbox (IPF.Note)\n"
        "store 35E3 -> Deleted Items ()\n"
        "store 35E4 -> Sent Items (IPF.Note)\n"
        "store 35E7 -> Search Root ()\n";
    EXPECT_EQ(pypffPointers(pst), store + "store 35DF = 0xDF\n" + on("root", folderPointers) +
                                      on("inbox", folderPointers));
    EXPECT_EQ(extractor(pst, {"store", "root", "inbox", "receive"}),
              store + on("root", folderPointers) +
                  "receive \"\" -> Inbox (IPF.Note)\n"
                  "receive \"IPM\" -> Inbox (IPF.Note)\n"
                  "receive \"Report.IPM\" -> Inbox (IPF.Note)\n"
                  "receive \"IPC\" ->  ()\n" +
                  on("inbox", folderPointers));
    // The folders in the order they were made, with their classes and counts.
    EXPECT_EQ(extractor(pst, {"folder"}),
              "folder SPAM Search Folder 2 count=0 unread=0 class= in parent's row: 3602=0 "
              "3603=0\n"
              "folder Top of Personal Folders count=0 unread=0 class= in parent's row: 3602=0 "
              "3603=0\n"
              "folder Top of Personal Folders/Deleted Items count=0 unread=0 class= in parent's "
              "row: 3602=0 3603=0\n"
              "folder Top of Personal Folders/Drafts count=1 unread=0 class=IPF.Note in parent's "
              "row: 3602=1 3603=0\n"
              "folder Top of Personal Folders/Junk E-mail count=0 unread=0 class=IPF.Note in "
              "parent's row: 3602=0 3603=0\n"
              "folder Top of Personal Folders/Inbox count=1 unread=1 class=IPF.Note in parent's "
              "row: 3602=1 3603=1\n"
              "folder Top of Personal Folders/Inbox/Projects count=1 unread=0 class=IPF.Note in "
              "parent's row: 3602=1 3603=0\n"
              "folder Top of Personal Folders/Outbox count=0 unread=0 class=IPF.Note in parent's "
              "row: 3602=0 3603=0\n"
              "folder Top of Personal Folders/Sent Items count=1 unread=0 class=IPF.Note in "
              "parent's row: 3602=1 3603=0\n"
              "folder Top of Personal Folders/Calendar count=0 unread=0 class=IPF.Appointment in "
              "parent's row: 3602=0 3603=0\n"
              "folder Top of Personal Folders/Contacts count=0 unread=0 class=IPF.Contact in "
              "parent's row: 3602=0 3603=0\n"
              "folder Top of Personal Folders/Tasks count=0 unread=0 class=IPF.Task in parent's "
              "row: 3602=0 3603=0\n"
              "folder Top of Personal Folders/Notes count=0 unread=0 class=IPF.StickyNote in "
              "parent's row: 3602=0 3603=0\n"
              "folder Top of Personal Folders/Journal count=0 unread=0 class=IPF.Journal in "
              "parent's row: 3602=0 3603=0\n"
              "folder Search Root count=0 unread=0 class= in parent's row: 3602=0 3603=0\n"
              "folder IPM_COMMON_VIEWS count=0 unread=0 class= in parent's row: 3602=0 3603=0\n");
    auto folder = [](std::vector<std::string> path, const std::string& subject, bool read) {
        std::string p = "\"Top of Personal Folders\"";
        for (const auto& part : path) {
            p += "," + jsonString(part);
        }
        return "{\"path\":[" + p + "],\"messages\":[{\"subject\":" + jsonString(subject) +
               ",\"read\":" + (read ? "true" : "false") + "}]}";
    };
    expectReadersSee(pst, "{\"folders\":[" + folder({"Inbox"}, "Arrived", false) + "," +
                              folder({"Inbox", "Projects"}, "Filed", true) + "," +
                              folder({"Drafts"}, "Unsent", true) + "," +
                              folder({"Sent Items"}, "Went out", true) + "]}");
    expectCheckerPasses(pst);
}

TEST_F(SpecialFolders, AskedTwiceOrMadeByTheCallerItIsOneFolder) {
    const fs::path pst = file("adopt.pst");
    auto writer = PstWriter::create(pst, "Adopt");
    const FolderId own = writer->addFolder(writer->ipmSubtree(), "INBOX");
    EXPECT_EQ(writer->specialFolder(SpecialFolder::Inbox), own);
    EXPECT_EQ(writer->specialFolder(SpecialFolder::Inbox), own);
    writer->addFolder(writer->ipmSubtree(), "Calendar");  // a mail folder of that name
    EXPECT_THROW(writer->specialFolder(SpecialFolder::Calendar), PstError);
    const FolderId people = writer->addFolder(writer->ipmSubtree(), "People", FolderClass::Contact);
    writer->addFolder(people, "Family", FolderClass::Contact);
    writer->close();
    EXPECT_EQ(extractor(pst, {"receive", "folder"}),
              "receive \"\" -> INBOX (IPF.Note)\n"
              "receive \"IPM\" -> INBOX (IPF.Note)\n"
              "receive \"Report.IPM\" -> INBOX (IPF.Note)\n"
              "receive \"IPC\" ->  ()\n"
              "folder SPAM Search Folder 2 count=0 unread=0 class= in parent's row: 3602=0 "
              "3603=0\n"
              "folder Top of Personal Folders count=0 unread=0 class= in parent's row: 3602=0 "
              "3603=0\n"
              "folder Top of Personal Folders/Deleted Items count=0 unread=0 class= in parent's "
              "row: 3602=0 3603=0\n"
              "folder Top of Personal Folders/INBOX count=0 unread=0 class=IPF.Note in parent's "
              "row: 3602=0 3603=0\n"
              "folder Top of Personal Folders/Calendar count=0 unread=0 class=IPF.Note in parent's "
              "row: 3602=0 3603=0\n"
              "folder Top of Personal Folders/People count=0 unread=0 class=IPF.Contact in "
              "parent's row: 3602=0 3603=0\n"
              "folder Top of Personal Folders/People/Family count=0 unread=0 class=IPF.Contact in "
              "parent's row: 3602=0 3603=0\n"
              "folder Search Root count=0 unread=0 class= in parent's row: 3602=0 3603=0\n"
              "folder IPM_COMMON_VIEWS count=0 unread=0 class= in parent's row: 3602=0 3603=0\n");
    expectCheckerPasses(pst);
}

}  // namespace
}  // namespace tolvane::pst::testing
