// Close cuts the sections nothing uses off the end of the file (growth steps and deleted
// values leave them). Every moment of that, as a crash leaves the file, and a failure of each
// of its operations, leaves the whole store, valid in strict mode; the maps are left to
// rebuild only where a failure came while they were being rewritten.

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <functional>

#include "FaultyFiles.h"
#include "TestFiles.h"
#include "pst/PstError.h"
#include "pst/ndb/NodeDatabase.h"

namespace tolvane::pst::ndb {
namespace {

namespace fs = std::filesystem;
using testing::FaultyFiles;

constexpr std::uint64_t kSection = 253952;
constexpr std::size_t kCommitted = 20;

std::vector<std::uint8_t> pattern(std::size_t size, std::uint32_t seed) {
    std::vector<std::uint8_t> out(size);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& b : out) {
        x = x * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(x >> 16);
    }
    return out;
}

// The header's fAMapValid and ibFileEof as the file holds them.
struct HeaderFigures {
    bool mapsValid = false;
    std::uint64_t fileEof = 0;
};
HeaderFigures headerOf(const fs::path& pst) {
    std::ifstream in(pst, std::ios::binary);
    std::vector<char> h(0x100);
    in.read(h.data(), static_cast<std::streamsize>(h.size()));
    HeaderFigures f;
    for (int i = 7; i >= 0; --i) {
        f.fileEof = f.fileEof << 8 | static_cast<std::uint8_t>(h[0xB8 + i]);
    }
    f.mapsValid = h[0xF8] == 0x02;
    return f;
}

// Values of 200 KB, the first 20 committed, written until a growth step past 40 sections has
// just been taken: most of that step is empty at close.
struct Written {
    std::size_t values = 0;
    std::uint64_t sizeBeforeClose = 0;
};
Written writeAndClose(const fs::path& pst, FaultyFiles& files,
                      const std::function<void()>& beforeClose = {}) {
    auto db = NodeDatabase::create(pst, files);
    db->commit();  // the empty file, under its name
    Written w;
    for (std::uint64_t size = fs::file_size(pst);; ++w.values) {
        if (w.values == kCommitted) {
            db->commit();
        }
        const Nid nid = db->allocateNid(NidType::NormalMessage);
        db->setNode({nid, db->writeData(pattern(200'000, static_cast<std::uint32_t>(w.values))),
                     Bid{}, Nid{0x122}});
        const std::uint64_t now = fs::file_size(pst);
        if (now > size + kSection && now > 40 * kSection) {
            ++w.values;
            break;
        }
        size = now;
    }
    w.sizeBeforeClose = fs::file_size(pst);
    if (beforeClose) {
        beforeClose();
    }
    db->close();
    return w;
}

// Strict problems of the NDB, and the nodes it holds.
std::size_t expectValid(const fs::path& pst, const std::string& what) {
    const auto problems = test::pstcheckNdbProblems(pst);
    EXPECT_TRUE(problems.empty()) << what << ": " << problems.front();
    if (!problems.empty()) {
        return 0;
    }
    return test::inspect(pst).nodes().size();
}

class Trim : public ::testing::Test {
  protected:
    test::TempDir dir;
};

TEST_F(Trim, CloseCutsTheEmptySectionsAtTheEnd) {
    const fs::path pst = dir.file("trimmed.pst");
    FaultyFiles files;
    const Written w = writeAndClose(pst, files);
    const std::uint64_t size = fs::file_size(pst);
    EXPECT_LE(size + 3 * kSection, w.sizeBeforeClose) << "most of a growth step of 6 sections";
    EXPECT_EQ(headerOf(pst).fileEof, size);
    const auto file = test::inspect(pst);
    EXPECT_EQ(file.nodes().size(), w.values);
    // The last section is in use: nothing more could have gone.
    std::uint64_t last = 0;
    for (const auto& [bid, e] : file.blocks()) {
        last = std::max(last, e.ib);
    }
    EXPECT_GE(last, size - kSection);
    EXPECT_EQ(test::pffinfo(pst).status, 0) << test::pffinfo(pst).output;
}

TEST_F(Trim, ACrashAtAnyMomentOfCloseLeavesAValidStore) {
    const fs::path pst = dir.file("crash.pst");
    FaultyFiles files;
    bool closing = false;
    std::vector<std::uint64_t> snapshots;
    files.afterChange = [&](std::uint64_t op) {
        if (closing) {
            fs::copy_file(pst, dir.file("at-" + std::to_string(op) + ".pst"));
            snapshots.push_back(op);
        }
    };
    const Written w = writeAndClose(pst, files, [&] { closing = true; });
    ASSERT_GT(snapshots.size(), 5u);
    int longerThanEof = 0;
    for (std::uint64_t op : snapshots) {
        const fs::path snap = dir.file("at-" + std::to_string(op) + ".pst");
        const std::string what = "crash after operation " + std::to_string(op);
        const std::size_t nodes = expectValid(snap, what);
        EXPECT_TRUE(nodes == kCommitted || nodes == w.values) << what << ": " << nodes;
        const HeaderFigures h = headerOf(snap);
        // Between the trim's first header and its cut, the file runs on past ibFileEof.
        if (fs::file_size(snap) > h.fileEof) {
            ++longerThanEof;
            EXPECT_FALSE(h.mapsValid) << what;
            EXPECT_EQ(nodes, w.values) << what;
        }
        fs::remove(snap);
    }
    EXPECT_GT(longerThanEof, 0) << "no crash point fell between the trim's header and its cut";
}

TEST_F(Trim, AFailureOfAnyOperationOfCloseLeavesAValidStore) {
    FaultyFiles clean;
    std::uint64_t closeStart = 0;
    const Written w =
        writeAndClose(dir.file("clean.pst"), clean, [&] { closeStart = clean.operations(); });
    std::uint64_t truncation = 0;
    for (std::uint64_t k = closeStart + 1; k <= clean.operations(); ++k) {
        truncation = clean.log()[k - 1] == FaultyFiles::Op::Truncate ? k : truncation;
    }
    ASSERT_NE(truncation, 0u) << "close cut nothing";
    int rebuilds = 0;
    for (std::uint64_t k = closeStart + 1; k <= clean.operations(); ++k) {
        const fs::path pst = dir.file("fail-" + std::to_string(k) + ".pst");
        FaultyFiles files;
        files.failAt(k, EIO);
        const std::string what = "operation " + std::to_string(k) + " failing";
        EXPECT_THROW(writeAndClose(pst, files), PstWriteError) << what;
        const std::size_t nodes = expectValid(pst, what);
        // The trim starts with its header and the sync under it, two before the cut.
        if (k + 2 >= truncation) {
            EXPECT_EQ(nodes, w.values) << what;
        } else {
            EXPECT_TRUE(nodes == kCommitted || nodes == w.values) << what << ": " << nodes;
        }
        const bool rebuild = !headerOf(pst).mapsValid;
        EXPECT_EQ(rebuild, clean.rewritingMapsAt(k)) << what;
        rebuilds += rebuild ? 1 : 0;
        fs::remove(pst);
    }
    EXPECT_GT(rebuilds, 0);
}

}  // namespace
}  // namespace tolvane::pst::ndb
