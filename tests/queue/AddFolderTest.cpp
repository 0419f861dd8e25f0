#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>

#include "../scan/Unprivileged.h"
#include "QueueFixture.h"
#include "queue/AddFolderCommand.h"
#include "scan/FolderAccessError.h"

namespace tolvane::queue {
namespace {

using Paths = std::vector<std::string>;

// The native file system, except that one folder cannot be opened, as if access were denied.
class RefusingFileSystem : public scan::FileSystem {
  public:
    explicit RefusingFileSystem(std::string refusedFolder)
        : inner_(scan::makeNativeFileSystem()), refused_(std::move(refusedFolder)) {}

    shell::PathSyntax Syntax() const override { return inner_->Syntax(); }
    bool FolderExists(const std::string& path) override { return inner_->FolderExists(path); }
    std::shared_ptr<scan::Folder> GetFolder(const std::string& path) override {
        if (path == refused_) {
            throw scan::folderAccessError(EACCES, "open", path);
        }
        return inner_->GetFolder(path);
    }

  private:
    std::shared_ptr<scan::FileSystem> inner_;
    std::string refused_;
};

class AddFolder : public QueueTest {
  protected:
    // a.eml, B.EML, c.txt and a subfolder with d.eml.
    void makeExampleTree() {
        tree_.file("a.eml");
        tree_.file("B.EML");
        tree_.file("c.txt");
        tree_.file("sub/d.eml");
    }
    Paths examplePaths() {
        const std::string t = tree_.str();
        return {t + "/a.eml", t + "/B.EML", t + "/sub/d.eml"};
    }
    void pick(const std::string& folder) {
        ui_.folderAnswers.push_back(folder);
        clickAddFolder();
    }

    TempFolder tree_;
};

TEST_F(AddFolder, QueuesTheMessageFilesOfTheTreeAndReportsTheCount) {
    makeExampleTree();
    pick(tree_.str());

    EXPECT_EQ(ui_.folderTitles, Paths{"Choose Source Folder..."});
    EXPECT_EQ(queuedPaths(), examplePaths());
    EXPECT_EQ(countCaption(), "3 Zimbra Messages");
    EXPECT_TRUE(window_.convertEnabled);
    ASSERT_EQ(ui_.messageBoxes.size(), 1u);
    EXPECT_EQ(ui_.messageBoxes[0].text, "3 Messages Queued for Conversion.");
    EXPECT_EQ(ui_.messageBoxes[0].icon, MsgIcon::None);
    EXPECT_EQ(ui_.messageBoxes[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(ui_.messageBoxes[0].title, "Tolvane");
}

TEST_F(AddFolder, YieldsBeforeEveryPathAndEveryAppendUnderTheWaitCursor) {
    makeExampleTree();
    pick(tree_.str());
    // Four files listed, three of them queued; the cursor is back before the box.
    EXPECT_EQ(ui_.doEventsCalls, 4 + 3);
    ASSERT_GE(ui_.log.size(), 3u);
    EXPECT_EQ(ui_.log[1], "waitCursor:on");
    EXPECT_EQ(ui_.log[ui_.log.size() - 2], "waitCursor:off");
    EXPECT_EQ(ui_.log.back(), "messageBox:3 Messages Queued for Conversion.");
    EXPECT_FALSE(ui_.waiting);
}

// An export archive is queued as one row; the box counts its messages and says what it holds
// beside them, and what of it is not converted.
TEST_F(AddFolder, ArchivesAreQueuedWithWhatTheyHold) {
    const std::filesystem::path sample = TOLVANE_SOURCE_ARCHIVES "/sample.tgz";
    ASSERT_TRUE(std::filesystem::exists(sample)) << "missing test input " << sample;
    tree_.file("a.eml");
    tree_.folder("sub");
    std::filesystem::copy_file(sample, tree_.path() / "sub" / "Export.TGZ");
    pick(tree_.str());
    const std::string archive = tree_.str() + "/sub/Export.TGZ";
    EXPECT_EQ(queuedPaths(), (Paths{tree_.str() + "/a.eml", archive}));
    ASSERT_EQ(ui_.messageBoxes.size(), 1u);
    EXPECT_EQ(ui_.messageBoxes[0].text,
              "21 Messages Queued for Conversion.\r\n\r\nZimbra export archives queued:\r\n" +
                  archive +
                  ": 20 messages, 3 contacts, 1 appointment, 1 task; not converted: 1 document");
    EXPECT_EQ(ui_.messageBoxes[0].icon, MsgIcon::None);
    EXPECT_EQ(countCaption(), "21 Zimbra Messages");
}

TEST_F(AddFolder, ATrailingSeparatorIsNotDoubled) {
    makeExampleTree();
    pick(tree_.str() + "/");
    EXPECT_EQ(queuedPaths(), examplePaths());
}

TEST_F(AddFolder, OnlyNamesEndingInEmlOrAnArchivesExtensionAreQueued) {
    tree_.file("x.eml.bak");
    tree_.file("x.tar.bz2");
    tree_.file(".eml");
    tree_.file("notes.EmL  ");
    pick(tree_.str());
    EXPECT_EQ(queuedPaths(), (Paths{tree_.str() + "/.eml", tree_.str() + "/notes.EmL  "}));
}

// vCard and iCalendar files are queued as sources of their own: no messages to count, but
// something to convert.
TEST_F(AddFolder, ContactAndCalendarFilesAreQueuedAndEnableConvert) {
    tree_.file("people.vcf");
    tree_.file("Work.ICS");
    tree_.file("people.vcf.bak");
    tree_.file("old.vcs");
    pick(tree_.str());
    EXPECT_EQ(queuedPaths(), (Paths{tree_.str() + "/people.vcf", tree_.str() + "/Work.ICS"}));
    EXPECT_TRUE(window_.convertEnabled);
    EXPECT_EQ(ui_.messageTexts(), Paths{"0 Messages Queued for Conversion."});
}

TEST_F(AddFolder, AFolderWithoutMessagesDisablesConvertEvenWithAQueue) {
    addFiles({"a.eml"});
    ASSERT_TRUE(window_.convertEnabled);
    tree_.file("readme.txt");
    tree_.folder("empty");
    pick(tree_.str());
    EXPECT_EQ(queuedPaths(), Paths{"/m/a.eml"});
    EXPECT_FALSE(window_.convertEnabled);
    EXPECT_EQ(ui_.messageTexts(), Paths{"0 Messages Queued for Conversion."});
}

TEST_F(AddFolder, AMissingFolderQueuesNothing) {
    pick(tree_.str() + "/gone");
    EXPECT_EQ(queuedPaths(), Paths{""});
    EXPECT_FALSE(window_.convertEnabled);
    EXPECT_EQ(ui_.messageTexts(), Paths{"0 Messages Queued for Conversion."});
}

TEST_F(AddFolder, CancellingThePickerDoesNothing) {
    clickAddFolder();
    EXPECT_EQ(ui_.log, Paths{"browseForFolder:Choose Source Folder..."});
    EXPECT_EQ(queuedPaths(), Paths{""});
}

TEST_F(AddFolder, TheSameFolderTwiceDoublesItsEntriesWithTheSameCount) {
    makeExampleTree();
    pick(tree_.str());
    pick(tree_.str());
    Paths twice = examplePaths();
    const Paths once = examplePaths();
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(queuedPaths(), twice);
    EXPECT_EQ(ui_.messageTexts(),
              (Paths{"3 Messages Queued for Conversion.", "3 Messages Queued for Conversion."}));
}

// Each row keeps its own file's stamp from when it was queued, however many folders the scan
// went through: files of distinct sizes in three folders, one of them changed afterwards.
TEST_F(AddFolder, EachRowKeepsItsOwnFilesStampFromWhenItWasQueued) {
    const std::vector<std::string> names{"a.eml", "sub/b.eml", "sub/c.eml", "sub/deeper/d.eml",
                                         "z.eml"};
    for (std::size_t k = 0; k < names.size(); ++k) {
        const auto file = tree_.path() / names[k];
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file) << "Subject: " << std::string(10 * (k + 1), 'x') << "\r\n\r\n";
    }
    pick(tree_.str());
    const Paths rows = queuedPaths();
    ASSERT_EQ(rows.size(), names.size());
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const auto queued = window_.fileQueue().QueuedStamp(static_cast<std::int64_t>(row));
        ASSERT_TRUE(queued.has_value()) << rows[row];
        EXPECT_EQ(queued, stampOf(rows[row])) << rows[row];
        EXPECT_EQ(queued->size, std::filesystem::file_size(rows[row])) << rows[row];
    }
    std::ofstream(rows[2], std::ios::app) << "grown\r\n";
    EXPECT_NE(window_.fileQueue().QueuedStamp(2), stampOf(rows[2]));
    EXPECT_EQ(window_.fileQueue().QueuedStamp(3), stampOf(rows[3]));
}

TEST_F(AddFolder, AClearWhileQueuingEmptiesTheQueueAndTheLoopGoesOn) {
    makeExampleTree();
    // The 4th yield comes before B.EML's append: a.eml is queued by then.
    ui_.onDoEvents = [this](int call) {
        if (call == 4) {
            ui_.messageBoxAnswers.push_back(MsgResult::Yes);
            clickClear();
        }
    };
    pick(tree_.str());
    const std::string t = tree_.str();
    EXPECT_EQ(queuedPaths(), (Paths{t + "/B.EML", t + "/sub/d.eml"}));
    EXPECT_EQ(countCaption(), "2 Zimbra Messages");
    // The count is this click's appends, whatever happened in between.
    EXPECT_EQ(ui_.messageTexts(),
              (Paths{"Do you want to clear all the files in the list\r\n Proceed?",
                     "3 Messages Queued for Conversion."}));
}

TEST_F(AddFolder, AnotherAddWhileQueuingRunsToItsEndInBetween) {
    makeExampleTree();
    ui_.onDoEvents = [this](int call) {
        if (call == 2) {  // after a.eml's append yield, before a.eml is appended
            addFiles({"x.eml", "y.eml"});
        }
    };
    pick(tree_.str());
    const std::string t = tree_.str();
    EXPECT_EQ(queuedPaths(),
              (Paths{"/m/x.eml", "/m/y.eml", t + "/a.eml", t + "/B.EML", t + "/sub/d.eml"}));
    EXPECT_EQ(ui_.messageTexts(), Paths{"3 Messages Queued for Conversion."});
}

TEST_F(AddFolder, ClosingTheWindowWhileQueuingStopsAtOnce) {
    makeExampleTree();
    ui_.onDoEvents = [this](int call) {
        if (call == 3) {
            window_.closed = true;
        }
    };
    pick(tree_.str());
    EXPECT_TRUE(window_.unloaded());
    EXPECT_EQ(queuedPaths(), Paths{tree_.str() + "/a.eml"});
    EXPECT_EQ(ui_.doEventsCalls, 3);
    EXPECT_TRUE(ui_.messageBoxes.empty());
}

TEST_F(AddFolder, AnUnreadableFolderIsSkippedWithItsReasonAndTheFoldersAfterItAreQueued) {
    makeExampleTree();
    tree_.file("sub/deeper/e.eml");
    tree_.file("zeta/z.eml");
    const std::string refused = tree_.str() + "/sub/";
    ui_.folderAnswers.push_back(tree_.str());
    queue::AddFolder(window_, shell::PathSyntax::Posix,
                     [refused] { return std::make_shared<RefusingFileSystem>(refused); });

    const std::string t = tree_.str();
    EXPECT_EQ(queuedPaths(), (Paths{t + "/a.eml", t + "/B.EML", t + "/zeta/z.eml"}));
    EXPECT_TRUE(window_.convertEnabled);
    EXPECT_FALSE(ui_.waiting);
    ASSERT_EQ(ui_.messageBoxes.size(), 1u);
    const MessageBoxRequest& box = ui_.messageBoxes[0];
    EXPECT_EQ(box.icon, MsgIcon::Exclamation);
    EXPECT_EQ(box.title, "Tolvane");
    EXPECT_EQ(box.text,
              "3 Messages Queued for Conversion.\r\n\r\n"
              "These folders could not be read and were skipped:\r\n"
              "Cannot open folder \"" +
                  refused + "\": Permission denied");
}

TEST_F(AddFolder, EntriesNamedLikeMessageFilesThatAreNoFilesAreListed) {
    tree_.file("a.eml");
    std::filesystem::create_symlink(tree_.path() / "nowhere.eml", tree_.path() / "dead.eml");
    std::filesystem::create_symlink("/dev/null", tree_.path() / "null.EML");
    std::filesystem::create_symlink(tree_.path() / "nowhere.txt", tree_.path() / "dead.txt");
    ASSERT_EQ(mkfifo((tree_.path() / "pipe.eml").c_str(), 0600), 0);
    pick(tree_.str());
    const std::string t = tree_.str();
    EXPECT_EQ(queuedPaths(), Paths{t + "/a.eml"});
    ASSERT_EQ(ui_.messageBoxes.size(), 1u);
    EXPECT_EQ(ui_.messageBoxes[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(ui_.messageBoxes[0].text,
              "1 Messages Queued for Conversion.\r\n\r\n"
              "These entries are named like message files but are not files, so they were not "
              "queued:\r\n" +
                  t + "/dead.eml (a link to nothing)\r\n" + t + "/null.EML (a device)\r\n" + t +
                  "/pipe.eml (a named pipe)");
}

TEST_F(AddFolder, AnUnreadableTopFolderQueuesNothingAndDisablesConvert) {
    makeExampleTree();
    window_.setConvertEnabled(true);
    const std::string top = tree_.str() + "/";
    ui_.folderAnswers.push_back(tree_.str());
    queue::AddFolder(window_, shell::PathSyntax::Posix,
                     [top] { return std::make_shared<RefusingFileSystem>(top); });
    EXPECT_EQ(queuedPaths(), Paths{""});
    EXPECT_FALSE(window_.convertEnabled);
    ASSERT_EQ(ui_.messageBoxes.size(), 1u);
    EXPECT_EQ(ui_.messageBoxes[0].icon, MsgIcon::Exclamation);
    EXPECT_NE(ui_.messageBoxes[0].text.find("0 Messages Queued for Conversion."),
              std::string::npos);
}

// Under root too: the add runs in a child that has dropped to an unprivileged user.
TEST_F(AddFolder, ARealUnreadableSubfolderIsSkippedAndReportedToo) {
    makeExampleTree();
    tree_.file("zeta/z.eml");
    scan::test::handToUnprivileged(tree_.str());
    std::filesystem::permissions(tree_.path() / "sub", std::filesystem::perms::none);
    const std::string t = tree_.str();
    const std::string problems = scan::test::asUnprivilegedChild([&] {
        scan::test::Findings findings;
        pick(t);
        findings.expect(queuedPaths() == Paths{t + "/a.eml", t + "/B.EML", t + "/zeta/z.eml"},
                        "queued " + std::to_string(queuedPaths().size()) + " path(s)");
        findings.expect(ui_.messageBoxes.size() == 1, "not one box");
        if (!ui_.messageBoxes.empty()) {
            const std::string& text = ui_.messageBoxes[0].text;
            findings.expect(ui_.messageBoxes[0].icon == MsgIcon::Exclamation, "no warning icon");
            findings.expect(text.find("3 Messages Queued for Conversion.") == 0, text);
            findings.expect(text.find("\"" + t + "/sub/\": Permission denied") != std::string::npos,
                            text);
        }
        return findings.text();
    });
    EXPECT_EQ(problems, "");
}

TEST_F(AddFolder, ASymlinkLoopEnds) {
    tree_.file("a.eml");
    tree_.folder("sub");
    std::filesystem::create_directory_symlink(tree_.path(), tree_.path() / "sub" / "back");
    pick(tree_.str());
    EXPECT_EQ(queuedPaths(), Paths{tree_.str() + "/a.eml"});
    EXPECT_EQ(ui_.messageTexts(), Paths{"1 Messages Queued for Conversion."});
}

}  // namespace
}  // namespace tolvane::queue
