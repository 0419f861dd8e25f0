// The file layer gathers writes in memory and hands them over later, in file order. Whatever
// the order and overlap of writes, reads and the bytes on disk must be what a plain
// write-through file would hold.

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "pst/PstError.h"
#include "pst/ndb/PosixFileIo.h"
#include "pst/ndb/PstFile.h"

namespace tolvane::pst::ndb {
namespace {

std::vector<std::uint8_t> onDisk(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Writes everywhere in a few MiB (appends, holes further back, overwrites of bytes still
// gathered or already handed over, values large enough to go straight through), with reads
// and growth between them, against a plain array.
TEST(PstFile, ReadsAndTheFileMatchAPlainArrayWhateverTheWriteOrder) {
    test::TempDir dir;
    const auto path = dir.file("scattered.pst");
    PstFile file(path, FileSystem::native());
    file.publish();
    std::vector<std::uint8_t> model;
    std::mt19937 random(20261207);
    const auto put = [&](std::uint64_t offset, std::size_t size, std::uint8_t seed) {
        std::vector<std::uint8_t> bytes(size);
        for (std::size_t i = 0; i < size; ++i) {
            bytes[i] = static_cast<std::uint8_t>(seed + i * 31);
        }
        file.write(offset, bytes);
        if (model.size() < offset + size) {
            model.resize(offset + size);
        }
        std::copy(bytes.begin(), bytes.end(), model.begin() + static_cast<std::ptrdiff_t>(offset));
    };
    std::uint64_t end = 0;
    for (int step = 0; step < 3000; ++step) {
        const int kind = static_cast<int>(random() % 100);
        const auto seed = static_cast<std::uint8_t>(random());
        if (kind < 45) {  // the next block at the end
            const std::size_t size = 64 + random() % 8192;
            put(end, size, seed);
            end += size;
        } else if (kind < 85 && end > 0) {  // a hole or an overwrite further back
            const std::uint64_t offset = random() % end;
            put(offset, 1 + random() % 3000, seed);
            end = std::max<std::uint64_t>(end, model.size());
        } else if (kind < 88) {  // a large value streamed straight through
            const std::size_t size = (std::size_t{1} << 20) + random() % 5000;
            put(end - std::min<std::uint64_t>(end, 100), size, seed);
            end = model.size();
        } else if (kind < 98 && end > 0) {  // a read of anything written so far
            const std::uint64_t offset = random() % end;
            const std::size_t size = std::min<std::uint64_t>(1 + random() % 20000, end - offset);
            std::vector<std::uint8_t> got(size);
            file.read(offset, got);
            ASSERT_TRUE(std::equal(got.begin(), got.end(),
                                   model.begin() + static_cast<std::ptrdiff_t>(offset)))
                << "step " << step << ": read of " << size << " at " << offset;
        } else {  // the file grown, as a growth step does
            const std::uint64_t to = model.size() + 4096 * (1 + random() % 64);
            file.extend(model.size(), to);
            model.resize(to, 0);
            end = to;
        }
    }
    file.sync();
    EXPECT_EQ(onDisk(path), model);
}

// A hole is space a later write can still find taken: growth claims every byte.
TEST(PstFile, GrowthClaimsDiskSpaceAndKeepsWhatWasWritten) {
    test::TempDir dir;
    const auto path = dir.file("grown.pst");
    PstFile file(path, FileSystem::native());
    file.publish();
    file.write(0, std::vector<std::uint8_t>(1000, 7));
    file.extend(1000, 8 << 20);
    file.sync();
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 8 << 20);
    EXPECT_GE(static_cast<std::uint64_t>(st.st_blocks) * 512, std::uint64_t{8} << 20);
    std::vector<std::uint8_t> expected(8 << 20, 0);
    std::fill_n(expected.begin(), 1000, 7);
    EXPECT_EQ(onDisk(path), expected);
}

// Refused growth (here a file-size limit) leaves the file as it was, and says why.
TEST(PstFile, RefusedGrowthLeavesTheFileItsSize) {
    test::TempDir dir;
    const auto path = dir.file("limited.pst");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1 << 20, 1 << 20};
        setrlimit(RLIMIT_FSIZE, &limit);
        PstFile file(path, FileSystem::native());
        file.publish();
        file.extend(0, 512 << 10);
        try {
            file.extend(512 << 10, 4 << 20);
        } catch (const PstWriteError& e) {
            _exit(e.cause() == PstWriteError::Cause::FileTooLarge ? 0 : 3);
        }
        _exit(4);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "3: another cause, 4: no error";
    EXPECT_EQ(std::filesystem::file_size(path), 512u << 10);
}

TEST(PstFile, AdjacentWritesArrivingOutOfOrderCostOneSystemCall) {
    test::TempDir dir;
    const auto path = dir.file("adjacent.pst");
    PstFile file(path, FileSystem::native());
    file.publish();
    const std::vector<std::uint8_t> a(4096, 'a'), b(4096, 'b'), c(4096, 'c'), d(100, 'd');
    file.write(4096, b);
    file.write(0, a);
    file.write(8192, c);
    file.write(8192 + 4096, d);
    file.flush();
    EXPECT_EQ(file.systemWrites(), 1u);
    file.sync();
    std::vector<std::uint8_t> expected(a);
    expected.insert(expected.end(), b.begin(), b.end());
    expected.insert(expected.end(), c.begin(), c.end());
    expected.insert(expected.end(), d.begin(), d.end());
    EXPECT_EQ(onDisk(path), expected);
}

// What the sync listener heard: whether the thread was waiting, and the system writes the
// file had made by then.
std::vector<std::pair<bool, std::size_t>> heardSyncs;
const PstFile* listenedFile = nullptr;

// A sync is heard as a wait, once the gathered bytes are with the system; with no listener
// set, nothing is.
TEST(PstFile, ASyncIsHeardAsAWaitForTheDisk) {
    test::TempDir dir;
    PstFile file(dir.file("heard.pst"), FileSystem::native());
    file.publish();
    listenedFile = &file;
    heardSyncs.clear();
    setSyncWaitListener(
        [](bool waiting) { heardSyncs.emplace_back(waiting, listenedFile->systemWrites()); });
    file.write(0, std::vector<std::uint8_t>(4096, 'a'));
    file.sync();
    setSyncWaitListener(nullptr);
    file.write(4096, std::vector<std::uint8_t>(4096, 'b'));
    file.sync();
    const std::size_t writes = file.systemWrites() - 1;
    ASSERT_GE(writes, 1u);
    EXPECT_EQ(heardSyncs,
              (std::vector<std::pair<bool, std::size_t>>{{true, writes}, {false, writes}}));
}

TEST(PstFile, ALaterWriteOverGatheredBytesWins) {
    test::TempDir dir;
    const auto path = dir.file("overwrite.pst");
    PstFile file(path, FileSystem::native());
    file.publish();
    file.write(0, std::vector<std::uint8_t>(1000, 1));
    file.write(500, std::vector<std::uint8_t>(10, 2));  // inside bytes not yet handed over
    file.write(995, std::vector<std::uint8_t>(10, 3));  // across the end of them
    file.sync();
    std::vector<std::uint8_t> expected(1005, 1);
    std::fill(expected.begin() + 500, expected.begin() + 510, 2);
    std::fill(expected.begin() + 995, expected.end(), 3);
    EXPECT_EQ(onDisk(path), expected);
}

// A new file has no name until it is published: one dropped before leaves nothing in its
// folder, one published takes its name and never another file's. With O_TMPFILE, and the way
// of a file system without it (a name of its own meanwhile, never a working file's).
class Naming : public ::testing::TestWithParam<PosixFileIo::Creation> {
  protected:
    std::vector<std::string> namesHere() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.file(""))) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    static void write(PosixFileIo& file, std::uint64_t at, const std::string& text) {
        const IoBuffer buffer{reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
        file.write(at, std::span(&buffer, 1));
    }
    static std::string text(const std::filesystem::path& path) {
        const auto bytes = onDisk(path);
        return {bytes.begin(), bytes.end()};
    }
    test::TempDir dir;
};

TEST_P(Naming, AFileHasItsNameOnlyOncePublished) {
    const bool named = GetParam() == PosixFileIo::Creation::UnderCreationName;
    const auto path = dir.file("new-incomplete.pst");
    {
        PosixFileIo dropped(path, GetParam());
        write(dropped, 0, "never named");
        dropped.sync();
        const auto names = namesHere();
        ASSERT_EQ(names.size(), named ? 1u : 0u);
        if (named) {
            EXPECT_TRUE(names[0].starts_with("new-incomplete.pst.creating-")) << names[0];
            EXPECT_TRUE(names[0].ends_with(".tmp")) << names[0];
        }
    }
    EXPECT_EQ(namesHere(), std::vector<std::string>{});
    {
        PosixFileIo file(path, GetParam());
        write(file, 0, "abc");
        file.sync();
        file.publish();
        EXPECT_EQ(namesHere(), std::vector<std::string>{"new-incomplete.pst"});
        EXPECT_EQ(text(path), "abc");
        write(file, 3, "def");  // the same file, under its name now
        file.sync();
        EXPECT_EQ(text(path), "abcdef");
    }
    EXPECT_EQ(namesHere(), std::vector<std::string>{"new-incomplete.pst"});
    try {
        PosixFileIo again(path, GetParam());
        FAIL() << "a second file was created over " << path;
    } catch (const PstError& e) {
        EXPECT_NE(std::string(e.what()).find("it already exists"), std::string::npos) << e.what();
    }
}

TEST_P(Naming, ANameTakenWhileTheFileIsWrittenIsNeverReplaced) {
    const auto path = dir.file("raced.pst");
    {
        PosixFileIo late(path, GetParam());
        write(late, 0, "ours");
        late.sync();
        std::ofstream(path) << "theirs";
        try {
            late.publish();
            FAIL() << "published over another file";
        } catch (const PstError& e) {
            EXPECT_NE(std::string(e.what()).find("it already exists"), std::string::npos)
                << e.what();
        }
    }
    EXPECT_EQ(namesHere(), std::vector<std::string>{"raced.pst"});
    EXPECT_EQ(text(path), "theirs");
}

// A kill where the file system has no O_TMPFILE leaves a creation file behind: the next file
// created in that folder removes it, but never one a live run is still creating, nor a file
// only named alike.
TEST_P(Naming, AFileLeftUnderACreationNameGoesWhenTheNextIsCreatedButALiveOneStays) {
    PosixFileIo live(dir.file("live-incomplete.pst"), PosixFileIo::Creation::UnderCreationName);
    write(live, 0, "still being created");
    live.sync();
    const auto left = creationPathFor(dir.file("killed-incomplete.pst"));
    std::ofstream(left) << "a killed run's";
    const std::vector<std::string> alike = {"notes.txt.creating-0123ABCD.tmp",
                                            "x.pst.creating-0123ABCG.tmp",
                                            "x.pst.creating-0123ABCD.tmp.bak"};
    for (const auto& name : alike) {
        std::ofstream(dir.file(name)) << "the user's";
    }
    ASSERT_EQ(creationFilesIn(dir.file("")).size(), 2u);

    PosixFileIo next(dir.file("next-incomplete.pst"), GetParam());
    EXPECT_FALSE(std::filesystem::exists(left));
    for (const auto& name : alike) {
        EXPECT_TRUE(std::filesystem::exists(dir.file(name))) << name;
    }
    const bool named = GetParam() == PosixFileIo::Creation::UnderCreationName;
    EXPECT_EQ(creationFilesIn(dir.file("")).size(), named ? 2u : 1u);  // the live one, next's
    live.publish();
    EXPECT_EQ(text(dir.file("live-incomplete.pst")), "still being created");
}

INSTANTIATE_TEST_SUITE_P(Creation, Naming,
                         ::testing::Values(PosixFileIo::Creation::Unnamed,
                                           PosixFileIo::Creation::UnderCreationName));

}  // namespace
}  // namespace tolvane::pst::ndb
