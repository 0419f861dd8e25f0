// The file layer gathers writes in memory and hands them over later, in file order. Whatever
// the order and overlap of writes, reads and the bytes on disk must be what a plain
// write-through file would hold.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "TestFiles.h"
#include "pst/ndb/PstFile.h"

namespace tolvane::pst::ndb {
namespace {

std::vector<std::uint8_t> onDisk(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Writes everywhere in a few MiB (appends, holes further back, overwrites of bytes still
// gathered or already handed over, values large enough to go straight through), with reads
// and size changes between them, against a plain array.
TEST(PstFile, ReadsAndTheFileMatchAPlainArrayWhateverTheWriteOrder) {
    test::TempDir dir;
    const auto path = dir.file("scattered.pst");
    PstFile file(path, FileSystem::native());
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
        } else {  // the file set to its size, as a commit does
            file.resize(model.size());
        }
    }
    file.sync();
    EXPECT_EQ(onDisk(path), model);
}

TEST(PstFile, AdjacentWritesArrivingOutOfOrderCostOneSystemCall) {
    test::TempDir dir;
    const auto path = dir.file("adjacent.pst");
    PstFile file(path, FileSystem::native());
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

TEST(PstFile, ALaterWriteOverGatheredBytesWins) {
    test::TempDir dir;
    const auto path = dir.file("overwrite.pst");
    PstFile file(path, FileSystem::native());
    file.write(0, std::vector<std::uint8_t>(1000, 1));
    file.write(500, std::vector<std::uint8_t>(10, 2));  // inside bytes not yet handed over
    file.write(995, std::vector<std::uint8_t>(10, 3));  // across the end of them
    file.sync();
    std::vector<std::uint8_t> expected(1005, 1);
    std::fill(expected.begin() + 500, expected.begin() + 510, 2);
    std::fill(expected.begin() + 995, expected.end(), 3);
    EXPECT_EQ(onDisk(path), expected);
}

}  // namespace
}  // namespace tolvane::pst::ndb
