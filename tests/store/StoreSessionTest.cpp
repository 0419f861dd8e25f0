#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "RecordingEngines.h"
#include "TempDir.h"
#include "platform/AppError.h"
#include "platform/ErrorNumber.h"
#include "pst/ndb/FileIo.h"
#include "store/Folder.h"
#include "store/MAPIUtils.h"
#include "store/MailItem.h"
#include "store/Profile.h"
#include "store/Session.h"
#include "store/Store.h"
#include "store/StoreErrc.h"
#include "store/WorkingFile.h"
#include "store/WriteFailure.h"

namespace tolvane::store {
namespace {

using testing::WriterLog;

constexpr std::uint32_t kMessageFlagsTag = mapi::tag::kMessageFlags.value();

class StoreSessionTest : public ::testing::Test {
  protected:
    std::shared_ptr<WriterLog> log = std::make_shared<WriterLog>();
    std::shared_ptr<Profile> profile = std::make_shared<Profile>(testing::recordingServices(log));
    tolvane::testing::TempDir dir;

    std::unique_ptr<Session> loggedOn() {
        auto session = std::make_unique<Session>(profile);
        session->Logon();
        return session;
    }

    std::string messageFile(const std::string& name, const std::string& content) {
        const std::string path = dir / name;
        std::ofstream(path) << content;
        return path;
    }

    static long errorOf(const std::function<void()>& step) {
        return tolvane::testing::errorNumberOf(step);
    }
};

TEST_F(StoreSessionTest, SiblingFolderNamesAreUniqueWithoutRegardToCase) {
    auto session = loggedOn();
    auto store = session->Stores().AddPSTStore(dir / "a.pst", 1, "Mail");
    auto root = store->IPMRootFolder();
    auto inbox = root->Folders().Add("Inbox", 6);

    EXPECT_EQ(errorOf([&] { root->Folders().Add("inbox", 6); }), errc::kCollision);
    EXPECT_EQ(errorOf([&] { root->Folders().Add("INBOX", 6); }), errc::kCollision);
    EXPECT_EQ(errorOf([&] { root->Folders().Add("deleted items", 6); }), errc::kCollision);
    root->Folders().Add("\u00c9t\u00e9", 6);
    EXPECT_EQ(errorOf([&] { root->Folders().Add("\u00e9T\u00c9", 6); }), errc::kCollision);
    // The same name below another parent is fine.
    inbox->Folders().Add("Inbox", 6);

    EXPECT_EQ(root->Folders().Count(), 3);  // Deleted Items, Inbox, Été
    EXPECT_EQ(root->Folders().Find("INBOX"), inbox);
    EXPECT_EQ(root->Folders().Find("Outbox"), nullptr);
    EXPECT_EQ(errorOf([&] { root->Folders().Add("", 6); }), errc::kInvalidParameter);
    // Outlook's notes (12) and journal (11) folder types are not made.
    EXPECT_EQ(errorOf([&] { root->Folders().Add("Notes", 12); }), errc::kNoSupport);
    EXPECT_EQ(errorOf([&] { root->Folders().Add("Journal", 11); }), errc::kNoSupport);
    // Calendar, contacts and tasks folders are made with their class.
    root->Folders().Add("Team", 9);
    root->Folders().Add("People", 10);
    root->Folders().Add("Errands", 13);
    EXPECT_EQ(log->folderClasses,
              (std::vector<pst::FolderClass>{pst::FolderClass::Note, pst::FolderClass::Note,
                                             pst::FolderClass::Note, pst::FolderClass::Appointment,
                                             pst::FolderClass::Contact, pst::FolderClass::Task}));

    // Only the accepted folders reached the file, each once, under the right parent.
    ASSERT_EQ(log->folders.size(), 6u);
    EXPECT_EQ(log->folders[0], std::make_pair(std::uint32_t{0x8022}, std::string("Inbox")));
    EXPECT_EQ(log->folders[2].second, "Inbox");
    EXPECT_EQ(log->folders[2].first, inbox->id().nid);
}

TEST_F(StoreSessionTest, PathLookupsIgnoreCaseAndNameTheMissingPath) {
    auto session = loggedOn();
    auto store = session->Stores().AddPSTStore(dir / "a.pst", 1, "Zimbra Mails : Created - 1");
    auto users = store->IPMRootFolder()->Folders().Add("Users", 6);
    auto me = users->Folders().Add("Me", 6);

    EXPECT_EQ(session->GetFolderFromPath("\\\\Zimbra Mails : Created - 1\\Users\\Me"), me);
    EXPECT_EQ(session->GetFolderFromPath("\\\\zimbra mails : created - 1\\USERS\\me"), me);
    EXPECT_EQ(session->GetFolderFromPath("\\\\Zimbra Mails : Created - 1"), store->IPMRootFolder());
    EXPECT_EQ(me->FolderPath(), "\\\\Zimbra Mails : Created - 1\\Users\\Me");

    for (const std::string missing :
         {"\\\\Zimbra Mails : Created - 1\\Users\\You", "\\\\Zimbra Mails : Created - 1\\\\Users",
          "\\\\Other\\Users", "\\Zimbra Mails : Created - 1\\Users"}) {
        try {
            session->GetFolderFromPath(missing);
            ADD_FAILURE() << missing;
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), errc::kNotFound);
            EXPECT_NE(e.description().find(missing), std::string::npos) << e.description();
        }
    }
}

// Has-attachment is the PST writer's to compute (tests/pst/messaging): the session hands the
// message on with the flags the job set and invents no PR_HASATTACH.
TEST_F(StoreSessionTest, SavedItemsReachTheWriterWithTheFlagsTheJobSet) {
    auto session = loggedOn();
    auto store = session->Stores().AddPSTStore(dir / "a.pst", 1, "Mail");
    auto inbox = store->IPMRootFolder()->Folders().Add("Inbox", 6);
    MAPIUtils utils;
    for (const auto& [name, content] :
         {std::pair{"plain.eml", "Plain\nbody"}, std::pair{"two.eml", "Two\nATTACH a\nATTACH b"}}) {
        auto item = inbox->Items().Add(0);
        item->Import(messageFile(name, content), 1024);
        utils.HrSetOneProp(item->MAPIOBJECT(), kMessageFlagsTag, 17, true);
        item->Save();
        item->Close();
    }
    ASSERT_EQ(log->messages.size(), 2u);
    EXPECT_EQ(log->messages[0].subject, "Plain");
    EXPECT_EQ(log->messages[0].flags, 17);
    EXPECT_FALSE(log->messages[0].hasAttachTag);
    EXPECT_EQ(log->messages[1].flags, 17);
    EXPECT_FALSE(log->messages[1].hasAttachTag);
    EXPECT_EQ(log->messages[1].attachments, 2u);
    EXPECT_EQ(inbox->Items().Count(), 2);
}

TEST_F(StoreSessionTest, AMessageIsWrittenOnceHoweverOftenItIsSavedAndNeverIfNotSaved) {
    auto session = loggedOn();
    auto store = session->Stores().AddPSTStore(dir / "a.pst", 1, "Mail");
    auto inbox = store->IPMRootFolder()->Folders().Add("Inbox", 6);
    const std::string file = messageFile("m.eml", "Saved thrice");
    {
        auto item = inbox->Items().Add(0);
        item->Import(file, 1024);
        item->Save();
        MAPIUtils().HrSetOneProp(item->MAPIOBJECT(), kMessageFlagsTag, 17, true);
        item->Save();
        EXPECT_TRUE(log->messages.empty());  // held until released
    }                                        // released without Close: written by the destructor
    {
        auto unsaved = inbox->Items().Add(0);
        unsaved->Import(file, 1024);
    }
    auto failed = inbox->Items().Add(0);
    EXPECT_EQ(errorOf([&] { failed->Import(dir / "missing.eml", 1024); }), 53);
    EXPECT_EQ(errorOf([&] { failed->Import(file, 1); }), errc::kNoSupport);
    failed->Close();
    failed->Close();
    EXPECT_EQ(errorOf([&] { failed->Save(); }), errc::kInvalidObject);

    ASSERT_EQ(log->messages.size(), 1u);
    EXPECT_EQ(log->messages[0].subject, "Saved thrice");
    EXPECT_EQ(log->messages[0].flags, 17);  // the last values set before it was written
    EXPECT_EQ(errorOf([&] { inbox->Items().Add(1); }), errc::kNoSupport);
}

TEST_F(StoreSessionTest, AddPstStoreNeverOverwritesAnExistingFile) {
    auto session = loggedOn();
    const std::string path = dir / "exists.pst";
    std::ofstream(path) << "precious";
    try {
        session->Stores().AddPSTStore(path, 1, "Mail");
        ADD_FAILURE() << "an existing file was accepted";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), errc::kFileExists);
        EXPECT_NE(e.description().find(path), std::string::npos);
    }
    std::ifstream in(path);
    std::string content;
    in >> content;
    EXPECT_EQ(content, "precious");

    session->Stores().AddPSTStore(dir / "new.pst", 2, "Mail");
    EXPECT_EQ(errorOf([&] { session->Stores().AddPSTStore(dir / "new.pst", 1, "Again"); }),
              errc::kFileExists);
    EXPECT_EQ(errorOf([&] { session->Stores().AddPSTStore(dir / "ansi.pst", 3, "Mail"); }),
              errc::kNoSupport);
    Session notLoggedOn(profile);
    EXPECT_EQ(errorOf([&] { notLoggedOn.Stores().AddPSTStore(dir / "b.pst", 1, "Mail"); }),
              errc::kNotLoggedOn);
    EXPECT_EQ(profile->stores().size(), 1u);
}

TEST_F(StoreSessionTest, StoresAreFoundByEntryIdAndTheNewestByDisplayName) {
    auto session = loggedOn();
    auto first = session->Stores().AddPSTStore(dir / "1.pst", 1, "Same name");
    auto second = session->Stores().AddPSTStore(dir / "2.pst", 1, "Same name");
    EXPECT_NE(first->EntryID(), second->EntryID());
    EXPECT_EQ(session->Stores().GetStoreFromID(first->EntryID()), first);
    EXPECT_EQ(session->Stores().GetStoreFromID(second->EntryID()), second);
    EXPECT_EQ(session->GetFolderFromPath("\\\\same NAME"), second->IPMRootFolder());
    EXPECT_EQ(errorOf([&] { session->Stores().GetStoreFromID("00"); }), errc::kNotFound);
    EXPECT_EQ(session->Stores().Count(), 2);
}

TEST_F(StoreSessionTest, LogoffOrDestructionClosesTheStoresWithTheirOpenItems) {
    auto session = loggedOn();
    auto store = session->Stores().AddPSTStore(dir / "a.pst", 1, "Mail");
    auto inbox = store->IPMRootFolder()->Folders().Add("Inbox", 6);
    auto item = inbox->Items().Add(0);
    item->Import(messageFile("m.eml", "Pending"), 1024);
    item->Save();

    session.reset();  // no Logoff
    EXPECT_EQ(log->closes, 1);
    ASSERT_EQ(log->messages.size(), 1u);
    EXPECT_EQ(log->messages[0].subject, "Pending");
    EXPECT_FALSE(store->isOpen());
    // The closed store keeps its tree for lookups but takes no more changes.
    EXPECT_EQ(store->IPMRootFolder()->Folders().Find("inbox"), inbox);
    EXPECT_EQ(errorOf([&] { inbox->Items().Add(0); }), errc::kInvalidObject);
    EXPECT_EQ(errorOf([&] { inbox->Folders().Add("Sub", 6); }), errc::kInvalidObject);
    item.reset();
    EXPECT_EQ(log->messages.size(), 1u);

    auto next = loggedOn();
    next->Stores().AddPSTStore(dir / "b.pst", 1, "Other");
    next->Logoff();
    EXPECT_EQ(log->closes, 2);
    EXPECT_FALSE(next->LoggedOn());
    next.reset();
    EXPECT_EQ(log->closes, 2);
}

// Items still open when the store closes are written in the order they were opened, so a run
// stopped with items open lays its file out the same way each time.
TEST_F(StoreSessionTest, OpenItemsAreWrittenAtCloseInTheOrderTheyWereOpened) {
    auto session = loggedOn();
    auto store = session->Stores().AddPSTStore(dir / "a.pst", 1, "Mail");
    auto inbox = store->IPMRootFolder()->Folders().Add("Inbox", 6);
    std::vector<std::shared_ptr<MailItem>> open;
    std::vector<std::string> subjects;
    for (int i = 0; i < 12; ++i) {
        subjects.push_back("Open " + std::to_string(i));
        open.push_back(inbox->Items().Add(0));
        open.back()->Import(messageFile(subjects.back() + ".eml", subjects.back()), 1024);
        open.back()->Save();
        if (i % 4 == 3) {  // closed at once: written now, not again
            open.back()->Close();
        }
    }
    store->close();
    ASSERT_EQ(log->messages.size(), subjects.size());
    std::vector<std::string> written;
    for (const auto& message : log->messages) {
        written.push_back(message.subject);
    }
    std::vector<std::string> expected;
    for (int i = 3; i < 12; i += 4) {
        expected.push_back(subjects[static_cast<std::size_t>(i)]);
    }
    for (int i = 0; i < 12; ++i) {
        if (i % 4 != 3) {
            expected.push_back(subjects[static_cast<std::size_t>(i)]);
        }
    }
    EXPECT_EQ(written, expected);
}

// The file's name says whether it is finished.
class StoreFileTest : public StoreSessionTest {
  protected:
    std::vector<std::string> namesHere() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string contentOf(const std::string& name) const {
        std::ifstream in(dir / name);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void storeOne(const std::shared_ptr<Store>& store, const std::string& subject) {
        auto item = store->IPMRootFolder()->Items().Add(0);
        item->Import(messageFile(subject + ".txt", subject), 1024);
        item->Save();
        item->Close();
    }
};

TEST_F(StoreFileTest, AStoreIsWrittenUnderItsWorkingNameAndTakesItsFinalNameOnClose) {
    auto session = loggedOn();
    const auto store = session->Stores().AddPSTStore(dir / "Mail.pst", 1, "Mail");
    EXPECT_EQ(namesHere(), std::vector<std::string>{"Mail-incomplete.pst"});
    EXPECT_EQ(store->FilePath(), dir / "Mail-incomplete.pst");
    storeOne(store, "one");
    EXPECT_EQ(store->committedMessages(), 0u);  // added, not yet committed
    session->Logoff();
    EXPECT_EQ(namesHere(), (std::vector<std::string>{"Mail.pst", "one.txt"}));
    EXPECT_EQ(contentOf("Mail.pst"), "closed");
    EXPECT_EQ(store->FilePath(), dir / "Mail.pst");
    EXPECT_EQ(store->committedMessages(), 1u);
}

TEST_F(StoreFileTest, AWriteFailureKeepsItsCauseAndTheFileStillTakesItsFinalName) {
    log->diskFullAtMessage = 2;
    auto session = loggedOn();
    const auto store = session->Stores().AddPSTStore(dir / "Mail.pst", 1, "Mail");
    storeOne(store, "one");
    try {
        storeOne(store, "two");
        ADD_FAILURE() << "the full disk was not reported";
    } catch (const WriteFailure& failure) {
        EXPECT_EQ(failure.cause(), WriteFailure::Cause::DiskFull);
        EXPECT_EQ(failure.number(), errc::kDiskFull);
        EXPECT_NE(failure.description().find("No space left on device"), std::string::npos);
    }
    session->Logoff();
    EXPECT_EQ(namesHere(), (std::vector<std::string>{"Mail.pst", "one.txt", "two.txt"}));
    // The writer committed nothing before it failed: that is what the file holds.
    EXPECT_EQ(store->committedMessages(), 0u);
}

TEST_F(StoreFileTest, NeitherNameIsEverTakenFromAnotherFile) {
    std::ofstream(dir / "Mail-incomplete.pst") << "left by a killed run";
    auto session = loggedOn();
    EXPECT_EQ(errorOf([&] { session->Stores().AddPSTStore(dir / "Mail.pst", 1, "Mail"); }),
              errc::kFileExists);
    EXPECT_EQ(contentOf("Mail-incomplete.pst"), "left by a killed run");

    const auto store = session->Stores().AddPSTStore(dir / "Other.pst", 1, "Other");
    std::ofstream(dir / "Other.pst") << "made meanwhile";
    EXPECT_EQ(errorOf([&] { session->Logoff(); }), errc::kFileExists);
    EXPECT_EQ(contentOf("Other.pst"), "made meanwhile");
    EXPECT_EQ(contentOf("Other-incomplete.pst"), "closed");
    EXPECT_EQ(store->FilePath(), dir / "Other-incomplete.pst");
}

TEST_F(StoreFileTest, ATakenNameGetsTheFirstNumberFreeUnderBothNames) {
    const std::string wanted = dir / "Mail.pst";
    EXPECT_EQ(firstFreeStorePath(wanted), wanted);
    std::ofstream(dir / "Mail.pst") << "an earlier run's";
    std::ofstream(dir / "Mail (2)-incomplete.pst") << "a run still writing";
    std::filesystem::create_directory(dir / "Mail (3).pst");
    EXPECT_EQ(firstFreeStorePath(wanted), dir / "Mail (4).pst");
    std::ofstream(dir / "Mail-incomplete.pst") << "a killed run's";
    std::filesystem::remove(dir / "Mail.pst");
    EXPECT_EQ(firstFreeStorePath(wanted), dir / "Mail (4).pst");
}

TEST_F(StoreFileTest, WorkingFilesOfEarlierRunsAreFoundByPrefixAndSuffix) {
    for (const char* name :
         {"ZimbraMails2.pst", "ZimbraMails3-incomplete.pst", "ZimbraMails1-incomplete.pst",
          "Other-incomplete.pst", "ZimbraMails4-incomplete.pst.bak"}) {
        std::ofstream(dir / name) << "x";
    }
    std::filesystem::create_directory(dir / "ZimbraMails5-incomplete.pst");
    // What the writer leaves of a store it was creating, where it can leave anything (a power
    // cut on Windows, a kill where the file system has no O_TMPFILE), is no working file.
    std::ofstream(pst::ndb::creationPathFor(dir / "ZimbraMails6-incomplete.pst")) << "x";
    const std::string folder = dir.path().string() + "/";
    EXPECT_EQ(workingFilesIn(folder, "ZimbraMails"),
              (std::vector<std::string>{folder + "ZimbraMails1-incomplete.pst",
                                        folder + "ZimbraMails3-incomplete.pst"}));
    EXPECT_TRUE(workingFilesIn(folder + "missing/", "ZimbraMails").empty());
    EXPECT_EQ(workingPathFor("/out/ZimbraMails6.12.26 4.5.07.pst"),
              "/out/ZimbraMails6.12.26 4.5.07-incomplete.pst");
}

}  // namespace
}  // namespace tolvane::store
