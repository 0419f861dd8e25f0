// The NDB layer's write path. Streams 1 GiB into one node and writes the same bytes with a
// plain buffered write (both synced to disk), then writes 300,000 small nodes, the node count of
// a 100,000-message store. Prints times, their ratio and peak memory (getrusage).

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "pst/ndb/NodeDatabase.h"
#include "support/Timing.h"

namespace {

using namespace tolvane::pst::ndb;
using tolvane::bench::Clock;
using tolvane::bench::cpuSeconds;
using tolvane::bench::peakRssMiB;
using tolvane::bench::secondsSince;

constexpr std::size_t kChunk = 1 << 20;
constexpr std::size_t kChunks = 1024;  // 1 GiB

std::vector<std::uint8_t> chunkBytes() {
    std::vector<std::uint8_t> chunk(kChunk);
    std::uint32_t x = 12345;
    for (auto& b : chunk) {
        x = x * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(x >> 16);
    }
    return chunk;
}

double plainWrite(const std::filesystem::path& path, const std::vector<std::uint8_t>& chunk) {
    const auto start = Clock::now();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        std::perror("fopen");
        std::exit(1);
    }
    std::setvbuf(f, nullptr, _IOFBF, kChunk);
    for (std::size_t i = 0; i < kChunks; ++i) {
        if (std::fwrite(chunk.data(), 1, chunk.size(), f) != chunk.size()) {
            std::perror("fwrite");
            std::exit(1);
        }
    }
    std::fflush(f);
    fdatasync(fileno(f));
    std::fclose(f);
    return secondsSince(start);
}

double streamOneNode(const std::filesystem::path& path, const std::vector<std::uint8_t>& chunk) {
    const auto start = Clock::now();
    auto db = NodeDatabase::create(path);
    auto stream = db->beginData();
    for (std::size_t i = 0; i < kChunks; ++i) {
        stream->append(chunk);
    }
    db->setNode({db->allocateNid(NidType::Ltp), stream->finish(), Bid{}, Nid{}});
    stream.reset();
    db->close();
    return secondsSince(start);
}

void manyNodes(const std::filesystem::path& path) {
    constexpr int kNodes = 300'000;
    constexpr int kLap = 10'000;
    std::vector<std::uint8_t> small(600, 0x5A);
    auto db = NodeDatabase::create(path);
    auto lap = Clock::now();
    const auto start = lap;
    double firstLap = 0;
    double lastLap = 0;
    for (int i = 1; i <= kNodes; ++i) {
        small[0] = static_cast<std::uint8_t>(i);
        const Nid nid = db->allocateNid(NidType::NormalMessage);
        db->setNode({nid, db->writeData(small), Bid{}, Nid{0x8022}});
        if (i % kLap == 0) {
            const double t = secondsSince(lap);
            if (i == kLap) {
                firstLap = t;
            }
            lastLap = t;
            lap = Clock::now();
        }
    }
    const double writing = secondsSince(start);
    const auto closing = Clock::now();
    db->close();
    std::printf("%d nodes of 600 bytes: %.2f s writing, %.2f s close (B-trees, maps, header)\n",
                kNodes, writing, secondsSince(closing));
    std::printf(
        "  per node: %.2f us in the first 10,000, %.2f us in the last 10,000 (ratio %.2f)\n",
        firstLap / kLap * 1e6, lastLap / kLap * 1e6, lastLap / firstLap);
    std::printf("  file %.1f MiB, peak RSS so far %.0f MiB\n",
                static_cast<double>(std::filesystem::file_size(path)) / (1 << 20), peakRssMiB());
}

}  // namespace

int main() {
    const auto dir =
        std::filesystem::temp_directory_path() / ("pst_ndb_bench_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const auto chunk = chunkBytes();
    const double baseline = peakRssMiB();

    // Plain, NDB, plain again: the disk's own variation shows in the two plain runs.
    double cpu = cpuSeconds();
    const double plain1 = plainWrite(dir / "plain.bin", chunk);
    const double plainCpu = cpuSeconds() - cpu;
    std::filesystem::remove(dir / "plain.bin");
    cpu = cpuSeconds();
    const double ndb = streamOneNode(dir / "stream.pst", chunk);
    const double ndbCpu = cpuSeconds() - cpu;
    const auto pstSize = std::filesystem::file_size(dir / "stream.pst");
    std::filesystem::remove(dir / "stream.pst");
    const double plain2 = plainWrite(dir / "plain.bin", chunk);
    std::filesystem::remove(dir / "plain.bin");
    const double plain = (plain1 + plain2) / 2;
    const double gib = static_cast<double>(kChunk * kChunks) / (1 << 30);
    std::printf("1 GiB streamed into one node: %.2f s (%.0f MiB/s), %.2f s CPU, file %.1f MiB\n",
                ndb, gib * 1024 / ndb, ndbCpu, static_cast<double>(pstSize) / (1 << 20));
    std::printf("1 GiB plain buffered write:   %.2f s and %.2f s (%.0f MiB/s), %.2f s CPU\n",
                plain1, plain2, gib * 1024 / plain, plainCpu);
    std::printf("  ratio NDB / plain: %.2f wall, %.2f CPU; peak RSS %.0f MiB (%.0f MiB before)\n",
                ndb / plain, ndbCpu / plainCpu, peakRssMiB(), baseline);

    manyNodes(dir / "nodes.pst");
    std::filesystem::remove_all(dir);
    return 0;
}
