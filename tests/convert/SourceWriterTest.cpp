// Zimbra's exports, as the generator writes them in Zimbra's layout, and vCard and iCalendar
// files, converted into a PST and read back by the checker's reader and the independent ones:
// each message's state, the mailbox's folders in Outlook's own, the pointers to them, contacts,
// appointments and tasks in their folders, and what damaged input keeps.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "MailboxPst.h"
#include "TempDir.h"
#include "convert/MailboxFolders.h"
#include "convert/SourceWriter.h"
#include "platform/Utf8Path.h"
#include "store/Profile.h"
#include "store/Session.h"
#include "store/Store.h"
#include "store/StoreServices.h"

namespace tolvane::convert {
namespace {

using testing::MailboxPst;
namespace fs = std::filesystem;

#ifdef _WIN32
constexpr bool kCaseBlindNames = true;  // a look-up finds X.META for x.meta
#else
constexpr bool kCaseBlindNames = false;
#endif

const fs::path kArchives = TOLVANE_SOURCE_ARCHIVES;
const fs::path kTestRoot = TOLVANE_TEST_ROOT;

constexpr std::uint32_t kRead = 0x1, kUnsent = 0x8;
constexpr std::uint32_t tagOf(std::uint16_t id, std::uint16_t type) {
    return std::uint32_t{id} << 16 | type;
}

struct Converted {
    fs::path pst;
    SourceReport report;
};

// Each archive into a PST of its own, closed as a run closes it.
Converted convert(const std::vector<fs::path>& sources, const fs::path& folder) {
    Converted out;
    out.pst = folder / "out.pst";
    auto profile = std::make_shared<store::Profile>(store::defaultServices());
    auto session = std::make_unique<store::Session>(profile);
    session->Logon();
    auto store = session->Stores().AddPSTStore(out.pst.string(), 1, "Zimbra Mails");
    {
        MailboxFolders folders(*store);
        SourceWriter writer(folders, {});
        for (const auto& source : sources) {
            if (!fs::exists(source))
                ADD_FAILURE() << "missing test input " << source;
            writer.write(source, out.report);
        }
    }
    store.reset();
    session->Logoff();
    return out;
}

void expectStrictCheckPasses(const fs::path& pst) {
    const std::string command =
        std::string(TOLVANE_PSTCHECK) + " --strict '" + pst.string() + "' > /dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
}

// A command's standard output; fails the test when it does not exit 0.
std::string outputOf(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string output;
    if (!pipe) {
        ADD_FAILURE() << "cannot run " << command;
        return output;
    }
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0;)
        output.append(buffer, n);
    EXPECT_EQ(pclose(pipe.release()), 0) << command;
    return output;
}

bool hasLine(const std::string& output, const std::string& line) {
    return ("\n" + output).find("\n" + line + "\n") != std::string::npos;
}

std::string linesOf(const std::vector<FileProblem>& problems) {
    std::string text;
    for (const auto& p : problems)
        text += p.path + ": " + p.reason + "\n";
    return text;
}

// The mail a converted store holds: its messages of class IPM.Note, not its contacts,
// appointments and tasks.
std::size_t mailCountOf(const MailboxPst& pst) {
    std::size_t count = 0;
    for (const auto& m : pst.messages())
        count += m.props.string(pstcheck::tag::kMessageClass).value_or("").starts_with("IPM.Note");
    return count;
}

class SampleExport : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = new tolvane::testing::TempDir();
        converted_ = new Converted(convert({kArchives / "sample.tgz"}, dir_->path()));
        pst_ = new MailboxPst(converted_->pst);
    }
    static void TearDownTestSuite() {
        delete pst_;
        delete converted_;
        delete dir_;
    }

    const testing::ReadMessage& message(const std::string& subject) {
        const auto* m = pst_->bySubject(subject);
        if (!m) {
            std::string seen;
            for (const auto& other : pst_->messages())
                seen += " \"" + MailboxPst::subjectOf(other) + "\"";
            throw std::runtime_error("no single message \"" + subject + "\" among" + seen);
        }
        return *m;
    }
    std::uint32_t flagsOf(const std::string& subject) {
        return message(subject).props.int32(pstcheck::tag::kMessageFlags).value_or(0xFFFFFFFF);
    }
    std::optional<std::uint32_t> int32Of(const std::string& subject, std::uint16_t id) {
        return message(subject).props.int32(tagOf(id, 0x0003));
    }
    std::optional<std::string> namedString(const std::string& subject, std::uint32_t lid) {
        const auto id = pst_->namedId(lid);
        return id ? message(subject).props.string(tagOf(*id, 0x001F)) : std::nullopt;
    }

    static inline tolvane::testing::TempDir* dir_ = nullptr;
    static inline Converted* converted_ = nullptr;
    static inline MailboxPst* pst_ = nullptr;
};

TEST_F(SampleExport, ZimbrasFoldersLandInOutlooksOwnWithTheirRealNames) {
    std::vector<std::string> paths;
    for (const auto& [path, nid] : pst_->folderPaths())
        paths.push_back(path);
    EXPECT_EQ(paths,
              (std::vector<std::string>{"", "Calendar", "Chats", "Contacts", "Contacts/Family",
                                        "Deleted Items", "Drafts", "Emailed Contacts", "Inbox",
                                        "Inbox/Projects", "Inbox/Projects/Deep", "Junk E-mail",
                                        "Sent Items", "Tasks", "Work: 2024? \"plans\" <a|b>"}));
    EXPECT_EQ(message("Thrown away").folder, "Deleted Items");
    EXPECT_EQ(message("Spam offer").folder, "Junk E-mail");
    EXPECT_EQ(message("Sent by me").folder, "Sent Items");
    EXPECT_EQ(message("Unsent draft").folder, "Drafts");
    EXPECT_EQ(message("Two levels down").folder, "Inbox/Projects/Deep");
    EXPECT_EQ(message("In the odd folder").folder, "Work: 2024? \"plans\" <a|b>");
    EXPECT_EQ(mailCountOf(*pst_), 20u);
    EXPECT_EQ(pst_->messages().size(), 25u);  // and 3 contacts, 1 appointment, 1 task
}

TEST_F(SampleExport, OutlookFindsItsSpecialFoldersThroughTheirPointers) {
    auto& reader = pst_->reader();
    const auto store = reader.properties(pstcheck::nid::kMessageStore);
    const auto root = reader.properties(pstcheck::nid::kRootFolder);
    const auto inboxNid = pst_->folderPaths().at("Inbox");
    const auto inbox = reader.properties(inboxNid);
    const auto pointer = [](const std::optional<std::vector<std::uint8_t>>& entryId) {
        return entryId ? MailboxPst::nidOf(*entryId) : std::nullopt;
    };
    EXPECT_EQ(pointer(store.bytes(0x35E30102)), pst_->folderPaths().at("Deleted Items"));
    EXPECT_EQ(pointer(store.bytes(0x35E40102)), pst_->folderPaths().at("Sent Items"));
    for (const auto* pc : {&root, &inbox}) {
        EXPECT_EQ(pointer(pc->bytes(0x36D70102)), pst_->folderPaths().at("Drafts"));
        const auto additional = pc->bytes(0x36D81102);
        ASSERT_TRUE(additional);
        EXPECT_EQ(MailboxPst::nidOf(MailboxPst::multiBinaryEntry(*additional, 4)),
                  pst_->folderPaths().at("Junk E-mail"));
    }
    // The receive-folder table's default row names the Inbox.
    const auto table = reader.table(0x62B);
    bool defaultRow = false;
    for (std::size_t row = 0; row < table.rows(); ++row) {
        if (table.string(row, pstcheck::tag::kMessageClass) == "") {
            defaultRow = true;
            EXPECT_EQ(table.int32(row, 0x66050003), inboxNid);
        }
    }
    EXPECT_TRUE(defaultRow);
}

TEST_F(SampleExport, ReadAndUnreadAreKeptAndCounted) {
    for (const char* unread :
         {"Unread hello", "Fwd: minutes", "All at once", "Spam offer", "In a subfolder"}) {
        EXPECT_EQ(flagsOf(unread) & kRead, 0u) << unread;
    }
    for (const char* read : {"Read plain", "Flagged one", "Sent by me", "Thrown away"})
        EXPECT_EQ(flagsOf(read) & (kRead | 0x400), kRead | 0x400u) << read;
    EXPECT_EQ(pst_->folder("Inbox").unreadCount, 3u);
    EXPECT_EQ(pst_->folder("Inbox/Projects").unreadCount, 1u);
    EXPECT_EQ(pst_->folder("Junk E-mail").unreadCount, 1u);
    EXPECT_EQ(pst_->folder("Sent Items").unreadCount, 0u);
}

TEST_F(SampleExport, FlagsVerbsPriorityDraftsAndCategoriesAsOutlookStoresThem) {
    EXPECT_EQ(int32Of("Flagged one", 0x1090), 2u);
    EXPECT_EQ(int32Of("Flagged one", 0x1095), 6u);
    EXPECT_EQ(int32Of("Flagged one", 0x0E2B), 1u);
    EXPECT_EQ(namedString("Flagged one", 0x8530), "Follow up");
    EXPECT_EQ(int32Of("Read plain", 0x1090), std::nullopt);

    EXPECT_EQ(int32Of("Re: quarterly figures", 0x1081), 102u);
    EXPECT_EQ(int32Of("Re: quarterly figures", 0x1080), 0x105u);
    EXPECT_EQ(int32Of("Fwd: minutes", 0x1081), 104u);
    EXPECT_EQ(int32Of("All at once", 0x1081), 102u);

    EXPECT_EQ(int32Of("Urgent thing", 0x0017), 2u);
    EXPECT_EQ(int32Of("Bulk thing", 0x0017), 0u);
    EXPECT_EQ(int32Of("Read plain", 0x0017), 1u);

    EXPECT_EQ(flagsOf("Unsent draft") & kUnsent, kUnsent);
    for (const char* sent : {"Sent by me", "Read plain", "Thrown away"})
        EXPECT_EQ(flagsOf(sent) & kUnsent, 0u) << sent;

    const auto keywords = pst_->namedId(std::string("Keywords"));
    ASSERT_TRUE(keywords);
    const auto tagged = message("Tagged twice").props.bytes(tagOf(*keywords, 0x101F));
    ASSERT_TRUE(tagged);
    // Two UTF-16 strings after a count and two offsets.
    const std::string utf16(tagged->begin() + 12, tagged->end());
    EXPECT_EQ(utf16, std::string("I\0m\0p\0o\0r\0t\0a\0n\0t\0a\0:\0b\0\\\0c\0", 28));
}

// readpst writes "Status: RO" for a read message; pypff's dump says "read"; pst-extractor
// prints the state properties of each message and the pointers to the special folders.
TEST_F(SampleExport, IndependentReadersSeeTheState) {
    tolvane::testing::TempDir out;
    outputOf("readpst -q -D -o '" + out.path().string() + "' '" + converted_->pst.string() +
             "' 2>&1");
    std::ifstream inbox(out.path() / "Inbox.mbox");
    ASSERT_TRUE(inbox) << "readpst wrote no Inbox.mbox";
    std::map<std::string, bool> readpstRead;
    std::string subject;
    for (std::string line; std::getline(inbox, line);) {
        if (line.rfind("Subject: ", 0) == 0)
            readpstRead[subject = line.substr(9)] = false;
        else if (line == "Status: RO")
            readpstRead[subject] = true;
    }
    EXPECT_EQ(readpstRead.size(), 13u);
    EXPECT_FALSE(readpstRead.at("Unread hello"));
    EXPECT_FALSE(readpstRead.at("All at once"));
    EXPECT_TRUE(readpstRead.at("Read plain"));
    EXPECT_TRUE(readpstRead.at("Flagged one"));

    const std::string pypff = outputOf(std::string(TOLVANE_READERS_PYTHON) + " " +
                                       TOLVANE_TEST_ROOT
                                       "/support/pst_readers.py dump --reader "
                                       "pypff '" +
                                       converted_->pst.string() + "'");
    const auto readOf = [&](const std::string& subject) {
        const auto at = pypff.find("\"subject\": \"" + subject + "\"");
        const auto read = pypff.find("\"read\": ", at);
        return at == std::string::npos || read == std::string::npos
                   ? std::string("missing")
                   : pypff.substr(read + 8, pypff.find_first_of(",\n", read) - read - 8);
    };
    EXPECT_EQ(readOf("Unread hello"), "false");
    EXPECT_EQ(readOf("Spam offer"), "false");
    EXPECT_EQ(readOf("Read plain"), "true");
    EXPECT_EQ(readOf("Sent by me"), "true");

    const std::string extractor =
        outputOf("timeout 300 node " TOLVANE_TEST_ROOT "/pst/messaging/extractor_state.js '" +
                 converted_->pst.string() + "'");
    for (const char* line : {
             "store 35E3 -> Deleted Items ()",
             "store 35E4 -> Sent Items (IPF.Note)",
             "root 36D7 -> Drafts (IPF.Note)",
             "root 36D8[4] -> Junk E-mail (IPF.Note)",
             "inbox 36D7 -> Drafts (IPF.Note)",
             "receive \"\" -> Inbox (IPF.Note)",
             "folder Top of Personal Folders/Inbox count=13 unread=3 class=IPF.Note in parent's "
             "row: 3602=13 3603=3",
             "message 'Unread hello' 0017=1 0E07=0",
             "message 'Flagged one' 0017=1 0E07=1025 0E2B=1 1090=2 1095=6",
             "message 'Re: quarterly figures' 0017=1 0E07=1025 1080=261 1081=102",
             "message 'Fwd: minutes' 0017=1 0E07=0 1080=262 1081=104",
             "message 'Urgent thing' 0017=2 0E07=1025",
             "message 'Bulk thing' 0017=0 0E07=1025",
             "message 'Tagged twice' 0017=1 0E07=1025 8013=[\"Important\",\"a:b\\\\c\"]",
             "message 'Unsent draft' 0017=1 0E07=1033 1080=259",
         }) {
        EXPECT_TRUE(hasLine(extractor, line)) << line;
    }
}

std::uint64_t convertedOf(const SourceReport& r, source::ItemKind kind) {
    return r.converted[static_cast<std::size_t>(kind)];
}
std::uint64_t notConvertedOf(const SourceReport& r, source::ItemKind kind) {
    return r.notConverted[static_cast<std::size_t>(kind)];
}

TEST_F(SampleExport, MessagesAreCountedApartFromTheRestAndTheFileIsValid) {
    const auto& r = converted_->report;
    EXPECT_EQ(r.read, 20u);
    EXPECT_EQ(r.stored, 20u);
    EXPECT_EQ(convertedOf(r, source::ItemKind::Contact), 3u);
    EXPECT_EQ(convertedOf(r, source::ItemKind::Appointment), 1u);
    EXPECT_EQ(convertedOf(r, source::ItemKind::Task), 1u);
    EXPECT_EQ(notConvertedOf(r, source::ItemKind::Document), 1u);
    EXPECT_EQ(notConvertedOf(r, source::ItemKind::Contact), 0u);
    EXPECT_TRUE(r.failures.empty()) << linesOf(r.failures);
    expectStrictCheckPasses(converted_->pst);
}

// Zimbra Desktop's Outbox holds mail never sent: it is a draft in Drafts, never in Sent Items.
TEST(DesktopExport, TheOutboxGoesToDraftsUnsent) {
    tolvane::testing::TempDir dir;
    const auto converted = convert({kArchives / "desktop.tgz"}, dir.path());
    MailboxPst pst(converted.pst);
    const auto* waiting = pst.bySubject("Waiting to be sent");
    ASSERT_NE(waiting, nullptr);
    EXPECT_EQ(waiting->folder, "Drafts");
    EXPECT_EQ(waiting->props.int32(pstcheck::tag::kMessageFlags).value_or(0) & kUnsent, kUnsent);
    EXPECT_EQ(pst.folderPaths().count("Outbox"), 0u);
    EXPECT_EQ(pst.folder("Drafts").contentCount, 2u);
}

// A zip export has no .meta: every message is read, as always, and placed by its entry's
// folder with the names as Zimbra sanitised them, in Outlook's special folders all the same.
TEST(ZipExport, MessagesAreReadAndPlacedByTheirEntries) {
    tolvane::testing::TempDir dir;
    const auto converted = convert({kArchives / "sample.zip"}, dir.path());
    MailboxPst pst(converted.pst);
    EXPECT_EQ(converted.report.stored, 20u);
    for (const auto& m : pst.messages())
        EXPECT_EQ(m.props.int32(pstcheck::tag::kMessageFlags).value_or(0) & kRead, kRead)
            << MailboxPst::subjectOf(m);
    EXPECT_EQ(pst.bySubject("Unread hello")->folder, "Inbox");
    EXPECT_EQ(pst.bySubject("Thrown away")->folder, "Deleted Items");
    EXPECT_EQ(pst.bySubject("In the odd folder")->folder, "Work_ 2024_ _plans_ _a_b_");
    EXPECT_EQ(convertedOf(converted.report, source::ItemKind::Contact), 3u);
    expectStrictCheckPasses(converted.pst);
}

// Zimbra starts a new entry folder every 500 items: the batches are one folder again.
TEST(BatchedExport, BatchesMergeIntoTheirFolder) {
    for (const char* name : {"batches.tgz", "batches.zip"}) {
        SCOPED_TRACE(name);
        tolvane::testing::TempDir dir;
        const auto converted = convert({kArchives / name}, dir.path());
        MailboxPst pst(converted.pst);
        EXPECT_EQ(converted.report.stored, 1600u);
        std::uint64_t total = 0;
        for (const auto& [path, nid] : pst.folderPaths()) {
            EXPECT_EQ(path.find('!'), std::string::npos) << path;
            total += pst.folder(path).contentCount.value_or(0);
        }
        EXPECT_EQ(total, 1600u);
        EXPECT_EQ(pst.folder("Inbox").contentCount, 1000u);
        expectStrictCheckPasses(converted.pst);
    }
}

// Each damaged or hostile export: a line naming the archive and the entry, every message
// that could be read kept, and a file the checker passes.
TEST(DamagedExport, EachGivesItsLineAndKeepsWhatCouldBeRead) {
    const struct {
        const char* archive;
        std::string line;  // part of the report line
        bool lost;         // a failure rather than a warning
        std::uint64_t stored;
    } cases[] = {
        {"damaged-header.tgz", "damaged-header.tgz: Inbox/0000000269-Urgent thing.eml", true, 19},
        {"bad-meta-json.tgz", "bad-meta-json.tgz: Inbox/0000000266-Flagged one.eml.meta", false,
         20},
        {"meta-version.tgz", "meta-version.tgz: Inbox/0000000266-Flagged one.eml.meta", false, 20},
        {"meta-without-item.tgz", "meta-without-item.tgz: Inbox/0000000266-Flagged one.eml.meta",
         true, 19},
        {"item-without-meta.tgz", "item-without-meta.tgz: Inbox/0000000266-Flagged one.eml", false,
         20},
        {"hostile.tgz", "hostile.tgz: escape.eml", false, 24},
        {"bomb.tgz", "bomb.tgz: Inbox/0000099999-bomb.eml", true, 20},
        {"bomb.zip", "bomb.zip: Inbox/0000099999-bomb.eml", true, 20},
        {"two-gigabytes.tgz", "two-gigabytes.tgz: Inbox/0000099999-big.eml", true, 20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.archive);
        tolvane::testing::TempDir dir;
        const auto converted = convert({kArchives / c.archive}, dir.path());
        const auto& lines = c.lost ? converted.report.failures : converted.report.warnings;
        const std::string text = linesOf(lines);
        EXPECT_NE(text.find(kArchives.string() + "/" + c.line), std::string::npos) << text;
        EXPECT_EQ(converted.report.stored, c.stored);
        EXPECT_EQ(mailCountOf(MailboxPst(converted.pst)), c.stored);
        expectStrictCheckPasses(converted.pst);
    }
}

TEST(DamagedExport, ATruncatedArchiveKeepsEveryMessageBeforeTheCut) {
    tolvane::testing::TempDir dir;
    const auto converted = convert({kArchives / "truncated.tgz"}, dir.path());
    const std::string text = linesOf(converted.report.failures);
    EXPECT_NE(text.find(kArchives.string() + "/truncated.tgz: Inbox/"), std::string::npos) << text;
    MailboxPst pst(converted.pst);
    EXPECT_GT(converted.report.stored, 0u);
    EXPECT_LT(converted.report.stored, 20u);
    EXPECT_EQ(mailCountOf(pst), converted.report.stored);
    // What came before the cut keeps its state.
    const auto* unread = pst.bySubject("Unread hello");
    ASSERT_NE(unread, nullptr);
    EXPECT_EQ(unread->props.int32(pstcheck::tag::kMessageFlags).value_or(kRead) & kRead, 0u);
    expectStrictCheckPasses(converted.pst);
}

// Unpacked by hand, each .eml keeps the state of the .meta beside it and its real folder.
TEST(UnpackedExport, AMessageFileKeepsTheStateOfItsMeta) {
    const fs::path unpacked = kArchives / "unpacked";
    const std::vector<fs::path> files = {unpacked / "Inbox/0000000264-Unread hello.eml",
                                         unpacked / "Inbox/0000000266-Flagged one.eml",
                                         unpacked / "Drafts/0000000273-Unsent draft.eml"};
    for (const auto& file : files)
        EXPECT_TRUE(SourceWriter::takes(Utf8FromPath(file))) << file;
    tolvane::testing::TempDir dir;
    const auto converted = convert(files, dir.path());
    MailboxPst pst(converted.pst);
    const auto flags = [&](const char* subject) {
        const auto* m = pst.bySubject(subject);
        return m ? m->props.int32(pstcheck::tag::kMessageFlags).value_or(0) : 0xFFFFFFFFu;
    };
    EXPECT_EQ(flags("Unread hello") & kRead, 0u);
    EXPECT_EQ(flags("Flagged one") & kRead, kRead);
    EXPECT_EQ(flags("Unsent draft") & kUnsent, kUnsent);
    ASSERT_NE(pst.bySubject("Unsent draft"), nullptr);
    EXPECT_EQ(pst.bySubject("Unsent draft")->folder, "Drafts");
    EXPECT_FALSE(SourceWriter::takes(Utf8FromPath(dir.path() / "plain.eml")));
}

// A queue's files routed in order give what takes() gives file by file: a folder listed with
// no .meta in it answers for the rest of its files, and one with some is looked up file by
// file, also when the queue goes back and forth between folders.
TEST(SourceRoutes, RoutesInQueueOrderAgreeWithLookingUpEachFile) {
    tolvane::testing::TempDir dir;
    const auto make = [](const fs::path& file) {
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << "Subject: x\r\n\r\nx\r\n";
    };
    std::vector<fs::path> plain, zimbra;
    for (int i = 0; i < 12; ++i) {
        plain.push_back(dir.path() / "plain" / ("p" + std::to_string(i) + ".eml"));
        zimbra.push_back(dir.path() / "zimbra" / ("z" + std::to_string(i) + ".eml"));
        make(plain.back());
        make(zimbra.back());
        if (i != 5) {
            make(fs::path(zimbra.back()) += (i == 9 ? ".META" : ".meta"));
        }
    }
    std::vector<fs::path> queue = plain;
    queue.insert(queue.end(), zimbra.begin(), zimbra.end());
    for (int i = 0; i < 12; ++i) {  // back and forth: no folder has files in a row
        queue.push_back(plain[static_cast<std::size_t>(i)]);
        queue.push_back(zimbra[static_cast<std::size_t>(i)]);
    }
    SourceWriter::Routes routes;
    int takenHere = 0;
    for (const fs::path& file : queue) {
        const bool taken = routes.takes(Utf8FromPath(file));
        EXPECT_EQ(taken, SourceWriter::takes(Utf8FromPath(file))) << file;
        takenHere += taken ? 1 : 0;
    }
    // z5 has no .meta; z9's is upper case, which only a case-blind system finds.
    EXPECT_EQ(takenHere, 2 * (kCaseBlindNames ? 11 : 10));
}

// Ten messages in `folder`, nine of them routed (the folder is listed at the eighth), then a
// .meta for the tenth: whether the routes see it.
bool lateMetaSeen(const fs::path& folder) {
    SourceWriter::Routes routes;
    std::vector<fs::path> files;
    for (int i = 0; i < 10; ++i) {
        files.push_back(folder / ("m" + std::to_string(i) + ".eml"));
        std::ofstream(files.back(), std::ios::binary) << "Subject: x\r\n\r\nx\r\n";
    }
    for (std::size_t i = 0; i < 9; ++i) {
        EXPECT_FALSE(routes.takes(Utf8FromPath(files[i])));
    }
    std::ofstream(fs::path(files[9]) += ".meta") << "{}";
    EXPECT_TRUE(SourceWriter::takes(Utf8FromPath(files[9])));
    return routes.takes(Utf8FromPath(files[9]));
}

// A folder listed with no .meta answers for its later files without a look-up, so a .meta
// that appears after the run routed it is not seen; one whose listing held any .meta, even
// one no queued file has, keeps looking each file up.
TEST(SourceRoutes, ALateMetaIsSeenOnlyWhereTheFoldersListingHeldSome) {
    tolvane::testing::TempDir plain;
    EXPECT_FALSE(lateMetaSeen(plain.path()));
    tolvane::testing::TempDir withNotes;
    std::ofstream(withNotes.path() / "notes.txt.META") << "{}";
    EXPECT_TRUE(lateMetaSeen(withNotes.path()));
}

// The folders of a converted store below the top of the tree, each with its container class.
std::map<std::string, std::string> classesOf(const MailboxPst& pst) {
    std::map<std::string, std::string> classes;
    for (const auto& [path, nid] : pst.folderPaths()) {
        if (!path.empty())
            classes[path] = pst.folder(path).containerClass.value_or("(none)");
    }
    return classes;
}

// The message classes of each folder's items: "Contacts" -> "IPM.Contact IPM.DistList".
std::map<std::string, std::string> itemClassesOf(const MailboxPst& pst) {
    std::map<std::string, std::vector<std::string>> sorted;
    for (const auto& m : pst.messages())
        sorted[m.folder].push_back(m.props.string(pstcheck::tag::kMessageClass).value_or("?"));
    std::map<std::string, std::string> out;
    for (auto& [folder, classes] : sorted) {
        std::sort(classes.begin(), classes.end());
        for (const auto& c : classes)
            out[folder] += (out[folder].empty() ? "" : " ") + c;
    }
    return out;
}

// A PtypTime value of a named property, as "YYYY-MM-DDTHH:MMZ".
std::string namedTimeOf(const MailboxPst& pst, const testing::ReadMessage& m, std::uint32_t lid) {
    const auto id = pst.namedId(lid);
    const auto bytes = id ? m.props.value(*id) : std::nullopt;
    if (!bytes || bytes->size() != 8)
        return "missing";
    std::uint64_t ticks = 0;
    for (int i = 7; i >= 0; --i)
        ticks = ticks << 8 | (*bytes)[static_cast<std::size_t>(i)];
    const std::time_t seconds = static_cast<std::time_t>(ticks / 10000000 - 11644473600ULL);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%MZ", &utc);
    return text;
}

// What the independent readers show of the PST's contacts and calendar items, against what
// went in: readpst's vCards and iCalendar, pst-extractor's objects.
void expectReadersAgree(const fs::path& pst, const char* script, const fs::path& expected) {
    if (!fs::exists(expected))
        ADD_FAILURE() << "missing test input " << expected;
    const std::string command = std::string(TOLVANE_READERS_PYTHON) + " " + TOLVANE_TEST_ROOT +
                                "/support/" + script + " compare '" + pst.string() + "' '" +
                                expected.string() + "' 2>&1";
    const std::string output = outputOf(command);
    EXPECT_NE(output.find(" agree"), std::string::npos) << output;
}

// Contacts, a contact group, appointments with recurrence and tasks of a Zimbra export, in
// Zimbra's folders and in the user's own, beside one message and one document.
class RestExport : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = new tolvane::testing::TempDir();
        converted_ = new Converted(convert({kArchives / "rest.tgz"}, dir_->path()));
        pst_ = new MailboxPst(converted_->pst);
    }
    static void TearDownTestSuite() {
        delete pst_;
        delete converted_;
        delete dir_;
    }

    static inline tolvane::testing::TempDir* dir_ = nullptr;
    static inline Converted* converted_ = nullptr;
    static inline MailboxPst* pst_ = nullptr;
};

TEST_F(RestExport, EachKindLandsInOutlooksOwnFolderOrOneOfItsClass) {
    EXPECT_EQ(classesOf(*pst_), (std::map<std::string, std::string>{
                                    {"Calendar", "IPF.Appointment"},
                                    {"Calendar/Old", "IPF.Appointment"},
                                    {"Chats", "IPF.Note"},
                                    {"Clients", "IPF.Contact"},
                                    {"Contacts", "IPF.Contact"},
                                    {"Contacts/Family", "IPF.Contact"},
                                    {"Deleted Items", "(none)"},  // as in Outlook's own empty store
                                    {"Drafts", "IPF.Note"},
                                    {"Emailed Contacts", "IPF.Contact"},
                                    {"Errands", "IPF.Task"},
                                    {"Holidays", "IPF.Appointment"},
                                    {"Inbox", "IPF.Note"},
                                    {"Junk E-mail", "IPF.Note"},
                                    {"Sent Items", "IPF.Note"},
                                    {"Tasks", "IPF.Task"},
                                }));
    EXPECT_EQ(itemClassesOf(*pst_), (std::map<std::string, std::string>{
                                        {"Calendar", "IPM.Appointment IPM.Appointment"},
                                        {"Clients", "IPM.Contact"},
                                        {"Contacts", "IPM.Contact IPM.DistList"},
                                        {"Contacts/Family", "IPM.Contact"},
                                        {"Emailed Contacts", "IPM.Contact"},
                                        {"Errands", "IPM.Task"},
                                        {"Holidays", "IPM.Appointment"},
                                        {"Inbox", "IPM.Note"},
                                        {"Tasks", "IPM.Task"},
                                    }));
    for (const char* folder : {"Calendar", "Contacts", "Tasks", "Errands", "Holidays"})
        EXPECT_EQ(pst_->folder(folder).contentCount, pst_->folder(folder).messages.size())
            << folder;
}

// The store counts what it committed, messages and the rest together: where each of the rest
// was lets the run count messages alone.
TEST_F(RestExport, MessagesAreCountedApartFromContactsAppointmentsAndTasks) {
    const auto& r = converted_->report;
    EXPECT_EQ(r.read, 1u);
    EXPECT_EQ(r.stored, 1u);
    EXPECT_EQ(convertedOf(r, source::ItemKind::Contact), 5u);
    EXPECT_EQ(convertedOf(r, source::ItemKind::Appointment), 3u);
    EXPECT_EQ(convertedOf(r, source::ItemKind::Task), 2u);
    EXPECT_EQ(notConvertedOf(r, source::ItemKind::Document), 1u);
    for (const auto kind :
         {source::ItemKind::Contact, source::ItemKind::Appointment, source::ItemKind::Task})
        EXPECT_EQ(notConvertedOf(r, kind), 0u);
    // The message came first, each of the ten others after it.
    EXPECT_EQ(r.otherItemsAt, (std::vector<std::uint64_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_TRUE(r.failures.empty()) << linesOf(r.failures);
    EXPECT_TRUE(r.warnings.empty()) << linesOf(r.warnings);
    expectStrictCheckPasses(converted_->pst);
}

TEST_F(RestExport, OutlookFindsContactsCalendarAndTasksThroughTheirPointers) {
    auto& reader = pst_->reader();
    const auto root = reader.properties(pstcheck::nid::kRootFolder);
    const auto inbox = reader.properties(pst_->folderPaths().at("Inbox"));
    const auto pointer = [](const std::optional<std::vector<std::uint8_t>>& entryId) {
        return entryId ? MailboxPst::nidOf(*entryId) : std::nullopt;
    };
    for (const auto* pc : {&root, &inbox}) {
        EXPECT_EQ(pointer(pc->bytes(0x36D00102)), pst_->folderPaths().at("Calendar"));
        EXPECT_EQ(pointer(pc->bytes(0x36D10102)), pst_->folderPaths().at("Contacts"));
        EXPECT_EQ(pointer(pc->bytes(0x36D40102)), pst_->folderPaths().at("Tasks"));
    }
    const std::string extractor =
        outputOf("timeout 300 node " TOLVANE_TEST_ROOT "/pst/messaging/extractor_state.js '" +
                 converted_->pst.string() + "'");
    for (const char* line :
         {"root 36D0 -> Calendar (IPF.Appointment)", "root 36D1 -> Contacts (IPF.Contact)",
          "root 36D4 -> Tasks (IPF.Task)", "inbox 36D0 -> Calendar (IPF.Appointment)",
          "inbox 36D1 -> Contacts (IPF.Contact)", "inbox 36D4 -> Tasks (IPF.Task)"}) {
        EXPECT_TRUE(hasLine(extractor, line)) << line << "\n" << extractor;
    }
}

TEST_F(RestExport, ReadersSeeNamesAddressesPhonesTimesRecurrenceAndTaskState) {
    expectReadersAgree(converted_->pst, "contact_readers.py",
                       kTestRoot / "convert/data/rest-contacts-expected.json");
    expectReadersAgree(converted_->pst, "calendar_readers.py",
                       kTestRoot / "convert/data/rest-calendar-expected.json");
    // Neither reader shows a group's members: the checker's reader does. John is found by his
    // contact, read after the group; Carol by the address written in the group.
    const auto* friends = pst_->bySubject("Friends");
    ASSERT_NE(friends, nullptr);
    const auto oneOff = pst_->namedId(0x8054);  // PidLidDistributionListOneOffMembers
    const auto members = oneOff ? friends->props.bytes(tagOf(*oneOff, 0x1102)) : std::nullopt;
    ASSERT_TRUE(members);
    const std::string memberBytes(members->begin(), members->end());
    for (const std::string_view address : {"john@example.com", "carol@example.org"}) {
        std::string utf16;
        for (const char c : address)
            utf16 += std::string{c, '\0'};
        EXPECT_NE(memberBytes.find(utf16), std::string::npos) << address;
    }
    EXPECT_EQ(MailboxPst::multiBinaryEntry(*members, 2), std::vector<std::uint8_t>{});
    // The moment a task is due (PidLidCommonEnd); its day pst-extractor has shown above.
    const auto* taxes = pst_->bySubject("File taxes");
    ASSERT_NE(taxes, nullptr);
    EXPECT_EQ(namedTimeOf(*pst_, *taxes, 0x8517), "2024-04-30T16:00Z");
}

// A zip export has no .meta: its contacts are .vcf entries, its appointments .ics, its tasks
// .task holding iCalendar; each goes to its entry's folder with the class of what it holds.
TEST(ZipExport, ContactsAndCalendarsAreReadFromTheirVCardAndICalendarEntries) {
    tolvane::testing::TempDir dir;
    const auto converted = convert({kArchives / "rest.zip"}, dir.path());
    const auto& r = converted.report;
    EXPECT_EQ(r.stored, 1u);
    EXPECT_EQ(convertedOf(r, source::ItemKind::Contact), 5u);
    EXPECT_EQ(convertedOf(r, source::ItemKind::Appointment), 3u);
    EXPECT_EQ(convertedOf(r, source::ItemKind::Task), 2u);
    EXPECT_TRUE(r.failures.empty()) << linesOf(r.failures);
    MailboxPst pst(converted.pst);
    const auto classes = classesOf(pst);
    EXPECT_EQ(classes.at("Contacts/Family"), "IPF.Contact");
    EXPECT_EQ(classes.at("Emailed Contacts"), "IPF.Contact");
    EXPECT_EQ(classes.at("Errands"), "IPF.Task");
    EXPECT_EQ(classes.at("Holidays"), "IPF.Appointment");
    const auto items = itemClassesOf(pst);
    EXPECT_EQ(items.at("Contacts"), "IPM.Contact IPM.Contact");
    EXPECT_EQ(items.at("Calendar"), "IPM.Appointment IPM.Appointment");
    EXPECT_EQ(items.at("Tasks"), "IPM.Task");
    expectStrictCheckPasses(converted.pst);
}

// Files queued on their own go to Outlook's Contacts, Calendar and Tasks. Damaged ones say
// what was wrong, naming the file and the line, and keep every card and event they can.
TEST(LooseFiles, VCardAndICalendarFilesFillOutlooksFoldersAndSayWhatWasWrong) {
    const fs::path cards = kTestRoot / "contact/data/text-vcard/complete.vcf";
    const fs::path damaged = kTestRoot / "convert/data/damaged-cards.vcf";
    const fs::path calendar = kTestRoot / "calendar/data/zimbra-calendar.ics";
    const fs::path unknownZone = kTestRoot / "calendar/data/libical/recur-errors.ics";
    for (const auto& file : {cards, damaged, calendar, unknownZone})
        EXPECT_TRUE(SourceWriter::takes(Utf8FromPath(file))) << file;
    tolvane::testing::TempDir dir;
    const auto converted = convert({cards, damaged, calendar, unknownZone}, dir.path());
    const auto& r = converted.report;
    EXPECT_EQ(r.read, 0u);
    EXPECT_TRUE(r.failures.empty()) << linesOf(r.failures);
    const std::string notes = linesOf(r.warnings);
    for (const std::string& line :
         {damaged.string() + ": line 8: the line is outside any card",
          damaged.string() + ": line 9: the card has no END:VCARD",
          damaged.string() + ": line 14: the line has no ':'",
          damaged.string() + ": line 15: PHOTO: the base64 value cannot be decoded",
          unknownZone.string() + ": VEVENT"}) {
        EXPECT_NE(notes.find(line), std::string::npos) << line << "\n" << notes;
    }
    EXPECT_NE(notes.find("US-Eastern"), std::string::npos) << notes;

    MailboxPst pst(converted.pst);
    const auto items = itemClassesOf(pst);
    EXPECT_EQ(items.count("Inbox"), 0u);
    std::uint64_t contacts = 0, appointments = 0, tasks = 0;
    for (const auto& m : pst.messages()) {
        const auto cls = m.props.string(pstcheck::tag::kMessageClass).value_or("");
        contacts += m.folder == "Contacts" && cls == "IPM.Contact";
        appointments += m.folder == "Calendar" && cls.starts_with("IPM.Appointment");
        tasks += m.folder == "Tasks" && cls == "IPM.Task";
    }
    EXPECT_EQ(contacts, convertedOf(r, source::ItemKind::Contact));
    EXPECT_EQ(appointments, convertedOf(r, source::ItemKind::Appointment));
    EXPECT_EQ(tasks, convertedOf(r, source::ItemKind::Task));
    EXPECT_EQ(pst.messages().size(), contacts + appointments + tasks);
    // Both cards of the damaged file are kept, the broken one with its address.
    ASSERT_NE(pst.bySubject("Good Card"), nullptr);
    ASSERT_NE(pst.bySubject("Broken Card"), nullptr);
    EXPECT_GE(tasks, 1u);
    expectStrictCheckPasses(converted.pst);
}

}  // namespace
}  // namespace tolvane::convert
