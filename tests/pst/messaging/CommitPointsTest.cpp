// Commit points: the file on disk holds exactly the last commit at every moment. A small
// conversion is stopped at every system operation in turn, by a crash (the file kept as it was
// after that operation) and by a failed write or sync, and each file is read back by the
// checker and the four readers; while the store is created no file has its name at all. A
// larger one commits again and again while its tables and trees grow.

#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "FaultyFiles.h"
#include "StoreFiles.h"
#include "mapi/Tags.h"
#include "pst/PstWriter.h"

namespace tolvane::pst::testing {
namespace {

namespace fs = std::filesystem;
using mapi::PropValue;

std::string headerBytes(const fs::path& pst) {
    std::ifstream in(pst, std::ios::binary);
    std::string out(0x234, '\0');
    in.read(out.data(), static_cast<std::streamsize>(out.size()));
    return out;
}

// A conversion of messages into three folders, committed every `every` messages.
class SmallRun {
  public:
    static constexpr int kMessages = 24;
    static constexpr int kEvery = 8;

    SmallRun(const fs::path& pst, FaultyFiles& files) : files_(files) {
        WriterOptions options;
        options.files = &files;
        options.clock = [] { return std::chrono::steady_clock::time_point{}; };  // never due
        try {
            writer_ = PstWriter::create(pst, "Commit points", options);
            commits_.push_back({files.operations(), 0});
            const FolderId inbox = writer_->addFolder(writer_->ipmSubtree(), "Inbox");
            const FolderId sub = writer_->addFolder(inbox, "Sub");
            const FolderId archive = writer_->addFolder(writer_->ipmSubtree(), "Archive");
            const FolderId folders[] = {inbox, sub, archive};
            for (int i = 0; i < kMessages; ++i) {
                mapi::Message m = mailMessage(subject(i), "Body " + std::to_string(i), i % 2);
                if (i % 5 == 1) {  // enough bytes for the file to grow past its first sections
                    mapi::Attachment a;
                    a.props.set(mapi::tag::kAttachMethod,
                                PropValue::int32(mapi::tag::kAttachByValue));
                    a.props.set(mapi::tag::kAttachLongFilename, PropValue::unicode("a.bin"));
                    a.props.set(mapi::tag::kAttachDataBinary,
                                PropValue::binary(mapi::Bytes(90'000 + 1000 * i, 0x30 + i)));
                    m.attachments.push_back(std::move(a));
                }
                adding_ = true;
                writer_->addMessage(folders[i % 3], m);
                adding_ = false;
                ++added_;
                if (added_ % kEvery == 0) {
                    writer_->commit();
                    commits_.push_back({files.operations(), added_});
                }
            }
            writer_->close();
            commits_.push_back({files.operations(), added_});
        } catch (const PstWriteError& e) {
            error_ = e.what();
            errorInAdd_ = adding_;
            if (writer_) {
                writer_->close();
            }
        }
    }

    static std::string subject(int i) { return "Message " + std::to_string(i); }
    static std::string folderOf(int i) {
        static const char* names[] = {"Inbox", "Inbox/Sub", "Archive"};
        return names[i % 3];
    }
    // Reader JSON for the first n messages.
    static std::string expected(int n) {
        std::map<std::string, std::string> byFolder;
        for (int i = 0; i < n; ++i) {
            std::string& list = byFolder[folderOf(i)];
            list += (list.empty() ? "" : ",") + std::string("{\"subject\":") +
                    jsonString(subject(i)) + "}";
        }
        std::string out = "{\"folders\":[";
        bool first = true;
        for (const auto& [path, messages] : byFolder) {
            std::string p = "\"Top of Personal Folders\"";
            std::size_t at = 0;
            for (std::size_t slash; (slash = path.find('/', at)) != std::string::npos;
                 at = slash + 1) {
                p += "," + jsonString(path.substr(at, slash - at));
            }
            p += "," + jsonString(path.substr(at));
            out += (first ? "" : ",") + std::string("{\"path\":[") + p + "],\"messages\":[" +
                   messages + "]}";
            first = false;
        }
        return out + "]}";
    }

    PstWriter& writer() { return *writer_; }
    int added() const { return added_; }
    const std::string& error() const { return error_; }
    bool errorInAdd() const { return errorInAdd_; }
    // (operations done, messages committed) after create, each commit and close.
    const std::vector<std::pair<std::uint64_t, int>>& commits() const { return commits_; }

  private:
    FaultyFiles& files_;
    std::unique_ptr<PstWriter> writer_;
    int added_ = 0;
    std::string error_;
    bool errorInAdd_ = false;
    bool adding_ = false;
    std::vector<std::pair<std::uint64_t, int>> commits_;
};

class CommitPoints : public StoreFiles {
  protected:
    struct Check {
        int code = -1;
        std::string output;
        int messages = -1;     // as the checker counts them, when it finds no problem
        bool rebuild = false;  // maps marked INVALID_AMAP: left inside a commit's window
    };
    // tolvane-pstcheck --strict, the mode a fresh writer passes.
    Check pstcheck(const fs::path& pst) {
        Check c;
        c.code = run(std::string(TOLVANE_PSTCHECK) + " --strict '" + pst.string() + "'", c.output);
        std::smatch m;
        if (std::regex_search(c.output, m, std::regex(R"(OK, .*, (\d+) messages)"))) {
            c.messages = std::stoi(m[1]);
        }
        c.rebuild =
            c.output.find("note: ROOT.fAMapValid: is 0x0 (INVALID_AMAP)") != std::string::npos;
        return c;
    }
};

TEST_F(CommitPoints, ACrashAfterAnyOperationLeavesExactlyACommittedState) {
    const fs::path pst = file("crash.pst");
    FaultyFiles files;
    std::vector<std::uint64_t> snapshots;
    std::vector<std::uint64_t> nameless;  // crash points that leave no file
    files.afterChange = [&](std::uint64_t op) {
        if (!fs::exists(pst)) {
            nameless.push_back(op);
            return;
        }
        fs::copy_file(pst, file("at-" + std::to_string(op) + ".pst"));
        snapshots.push_back(op);
    };
    SmallRun conversion(pst, files);
    ASSERT_EQ(conversion.error(), "");
    ASSERT_EQ(conversion.commits().back().second, SmallRun::kMessages);
    ASSERT_GT(snapshots.size(), 50u);
    // While the store is created no file has its name; it takes it, whole, as create() ends.
    const std::uint64_t created = conversion.commits().front().first;
    ASSERT_FALSE(nameless.empty());
    EXPECT_LT(nameless.back(), created);
    EXPECT_EQ(snapshots.front(), created);
    EXPECT_EQ(files.log()[created - 1], FaultyFiles::Op::Publish);

    int windows = 0;
    int last = 0;
    std::set<std::string> readHeaders;
    for (std::uint64_t op : snapshots) {
        const fs::path snap = file("at-" + std::to_string(op) + ".pst");
        const std::string what = "crash after operation " + std::to_string(op);
        // The last commit that had returned, and the one under way.
        std::size_t c = 0;
        while (c + 1 < conversion.commits().size() && conversion.commits()[c + 1].first <= op) {
            ++c;
        }
        const int done = conversion.commits()[c].second;
        const int next =
            c + 1 < conversion.commits().size() ? conversion.commits()[c + 1].second : done;
        const Check check = pstcheck(snap);
        ASSERT_EQ(check.code, 0) << what << ":\n" << check.output.substr(0, 3000);
        if (check.rebuild) {
            // Inside a window the header still names the last commit's B-trees.
            ++windows;
            EXPECT_EQ(check.messages, done) << what;
        }
        EXPECT_TRUE(check.messages == done || check.messages == next)
            << what << ": " << check.messages << " messages, commits hold " << done << "/" << next;
        const int holds = check.messages;
        EXPECT_GE(holds, last) << what << ": a later crash holds fewer messages";
        last = holds;
        if (readHeaders.insert(headerBytes(snap)).second) {
            SCOPED_TRACE(what);
            expectReadersSee(snap, SmallRun::expected(holds));
        }
        if (!HasFailure()) {
            fs::remove(snap);
        }
    }
    EXPECT_EQ(last, SmallRun::kMessages);
    EXPECT_GT(windows, 0) << "no crash point inside a window: the windows went untested";
    std::printf(
        "%zu crash points: %zu while the store was created (no file), %zu with a file, %d of "
        "them inside a map window; %zu distinct headers read\n",
        nameless.size() + snapshots.size(), nameless.size(), snapshots.size(), windows,
        readHeaders.size());
}

TEST_F(CommitPoints, AFailedOperationStopsTheRunAndTheFileHoldsWhatTheWriterSays) {
    FaultyFiles clean;
    SmallRun reference(file("clean.pst"), clean);
    ASSERT_EQ(reference.error(), "");
    const std::uint64_t total = clean.operations();
    ASSERT_GT(total, 50u);
    int windows = 0;
    int diskFullCommits = 0;
    int failedCreates = 0;
    std::set<std::pair<int, bool>> read;
    for (std::uint64_t k = 1; k <= total; ++k) {
        const auto op = clean.log()[k - 1];
        const int error = k % 2 == 0 || op == FaultyFiles::Op::Extend ? ENOSPC : EIO;
        const fs::path pst = file("fail-" + std::to_string(k) + ".pst");
        FaultyFiles files;
        files.failAt(k, error);
        SmallRun conversion(pst, files);
        const std::string what =
            "operation " + std::to_string(k) + " failing with " + std::strerror(error);
        ASSERT_NE(conversion.error(), "") << what << " was never reported";
        if (k <= reference.commits().front().first) {
            // create() failed: no writer, and no file, under its name or any other.
            EXPECT_FALSE(fs::exists(pst)) << what << " left a file";
            for (const auto& entry : fs::directory_iterator(pst.parent_path())) {
                EXPECT_FALSE(entry.path().filename().string().starts_with(pst.filename().string()))
                    << what << " left " << entry.path();
            }
            ++failedCreates;
            continue;
        }
        const int committed = static_cast<int>(conversion.writer().committedMessages());
        // The file refusing to grow (no space to claim, or a size limit) is the disk-full case.
        const bool refused = op == FaultyFiles::Op::Extend;
        EXPECT_TRUE(committed % SmallRun::kEvery == 0 || refused)
            << what << ": " << committed << " is no commit's count";
        if (refused && conversion.errorInAdd()) {
            // The disk is full before the file grows: all that came before is committed.
            EXPECT_EQ(committed, conversion.added()) << what;
            ++diskFullCommits;
        }
        const Check check = pstcheck(pst);
        ASSERT_EQ(check.code, 0) << what << ":\n" << check.output.substr(0, 3000);
        EXPECT_EQ(check.messages, committed) << what;
        // The maps are left to rebuild exactly when the failure came while they were being
        // rewritten: part of them may be the new state's then. Before the first map page is
        // written (the header's own write, the sync after it, a refused growth) the last
        // commit's header is put back.
        const bool rewriting = clean.rewritingMapsAt(k);
        EXPECT_EQ(check.rebuild, rewriting && !refused)
            << what << (rewriting ? " while the maps were rewritten" : "") << ":\n"
            << check.output.substr(0, 3000);
        windows += check.rebuild ? 1 : 0;
        const bool valid = !check.rebuild;
        if (read.insert({committed, valid}).second) {
            SCOPED_TRACE(what + ", " + std::to_string(committed) + " committed");
            expectReadersSee(pst, SmallRun::expected(committed));
        }
        if (!HasFailure()) {
            fs::remove(pst);
        }
    }
    EXPECT_GT(diskFullCommits, 0);
    EXPECT_GT(windows, 0) << "no failure inside a window: the windows went untested";
    EXPECT_GT(failedCreates, 0);
    std::printf(
        "%llu failure points: %d while the store was created (no file), %d inside a map "
        "window, %d disk-full commits\n",
        static_cast<unsigned long long>(total), failedCreates, windows, diskFullCommits);
}

}  // namespace
}  // namespace tolvane::pst::testing

namespace tolvane::pst::testing {
namespace {

// One folder past 447 rows (RowIndex leaves and an index level), a row matrix of many blocks
// and a heap past its first bitmap block, another folder touched now and then: after each
// commit the file as it stands passes the checker with every message committed so far, and a
// commit writes about as much at the end as at the start.
TEST_F(CommitPoints, TablesAndTreesGrowCommitAfterCommit) {
    const fs::path pst = file("growing.pst");
    FaultyFiles files;
    WriterOptions options;
    options.files = &files;
    options.clock = [] { return std::chrono::steady_clock::time_point{}; };
    auto writer = PstWriter::create(pst, "Growing", options);
    const FolderId bulk = writer->addFolder(writer->ipmSubtree(), "Bulk");
    const FolderId side = writer->addFolder(writer->ipmSubtree(), "Side");
    std::string bulkJson, sideJson;
    std::vector<std::uint64_t> commitBytes;
    constexpr int kCommits = 12, kPerCommit = 100;
    for (int c = 0; c < kCommits; ++c) {
        for (int i = 0; i < kPerCommit; ++i) {
            const int n = c * kPerCommit + i;
            const std::string subject = "Row " + std::to_string(n) + std::string(n % 7 * 20, 'x');
            const bool toSide = c % 3 == 0 && i < 5;
            writer->addMessage(toSide ? side : bulk, mailMessage(subject, "b", n % 2));
            std::string& json = toSide ? sideJson : bulkJson;
            json += (json.empty() ? "" : ",") + std::string("{\"subject\":") + jsonString(subject) +
                    "}";
        }
        const std::uint64_t before = files.bytesWritten();
        writer->commit();
        commitBytes.push_back(files.bytesWritten() - before);
        const fs::path copy = file("after-" + std::to_string(c) + ".pst");
        fs::copy_file(pst, copy);
        const Check check = pstcheck(copy);
        ASSERT_EQ(check.code, 0) << "commit " << c << ":\n" << check.output.substr(0, 3000);
        EXPECT_EQ(check.messages, (c + 1) * kPerCommit) << "commit " << c;
        if (c == 4 || c + 1 == kCommits) {
            SCOPED_TRACE("commit " + std::to_string(c));
            expectReadersSee(copy,
                             "{\"folders\":[{\"path\":[\"Top of Personal Folders\",\"Bulk\"],"
                             "\"messages\":[" +
                                 bulkJson +
                                 "]},{\"path\":[\"Top of Personal "
                                 "Folders\",\"Side\"],\"messages\":[" +
                                 sideJson + "]}]}");
        }
        fs::remove(copy);
    }
    writer->close();
    // The table holds four times the rows at the end; what a commit rewrites must not grow so.
    // Averaged over three commits: which folders a commit touches varies.
    const auto mean = [&](std::size_t from) {
        return (commitBytes[from] + commitBytes[from + 1] + commitBytes[from + 2]) / 3;
    };
    EXPECT_LT(mean(kCommits - 3), mean(1) * 3 / 2)
        << "commits 2-4 wrote " << mean(1) << " bytes each, the last three " << mean(kCommits - 3);
}

}  // namespace
}  // namespace tolvane::pst::testing
