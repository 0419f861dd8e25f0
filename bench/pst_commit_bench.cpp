// Commit points in the PST writer: what committing every few seconds costs a run of 10,000
// mixed messages in 50 folders (against the same run committed only at close), and, for
// 300,000 small messages in one folder, the peak memory and the time per message against a
// run of 30,000. Each case runs in a child process so its peak memory is its own. Exits 1
// when a figure misses its goal. An argument (overhead, scale) runs one case; `overhead
// MS[:MIB]...` compares those cadences (interval, and bytes written; 0 for none) instead of the
// writer's own and sets no goal.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "pst/PstWriter.h"
#include "pst/ndb/PosixFileIo.h"
#include "support/ChildProcess.h"
#include "support/MapiMessages.h"
#include "support/Timing.h"

namespace {

using namespace tolvane;
namespace fs = std::filesystem;
using bench::Clock;
using bench::cpuSeconds;
using bench::inChild;
using bench::median;

// What a run asked of the file system: where commit time goes.
struct IoCounts {
    std::uint64_t writes = 0, bytes = 0, syncs = 0, headers = 0, extensions = 0, truncations = 0;
};

// The operating system's files, every call counted.
class CountingFiles final : public pst::ndb::FileSystem {
  public:
    IoCounts counts;

    std::unique_ptr<pst::ndb::FileIo> createNew(const fs::path& path) override {
        return std::make_unique<Io>(path, counts);
    }

  private:
    class Io final : public pst::ndb::FileIo {
      public:
        Io(const fs::path& path, IoCounts& counts) : real_(path), counts_(counts) {}
        void write(std::uint64_t offset, std::span<const pst::ndb::IoBuffer> buffers) override {
            ++counts_.writes;
            counts_.headers += offset == 0 ? 1 : 0;
            for (const auto& b : buffers) {
                counts_.bytes += b.size;
            }
            real_.write(offset, buffers);
        }
        void read(std::uint64_t offset, std::span<std::uint8_t> bytes) override {
            real_.read(offset, bytes);
        }
        void sync() override {
            ++counts_.syncs;
            real_.sync();
        }
        void extend(std::uint64_t from, std::uint64_t to) override {
            ++counts_.extensions;
            real_.extend(from, to);
        }
        void truncate(std::uint64_t size) override {
            ++counts_.truncations;
            real_.truncate(size);
        }
        void startWriteBack() override { real_.startWriteBack(); }
        void publish() override { real_.publish(); }

      private:
        pst::ndb::PosixFileIo real_;
        IoCounts& counts_;
    };
};

// When the writer commits: after this much time or this many bytes written, or with this much
// waiting in memory.
struct Cadence {
    std::chrono::milliseconds interval = pst::WriterOptions{}.commitInterval;
    std::uint64_t bytes = pst::WriterOptions{}.commitBytes;
    std::uint64_t held = pst::WriterOptions{}.commitHeldBytes;

    // "MS" or "MS:MIB", MIB 0 for no byte limit.
    static Cadence parse(const std::string& text) {
        Cadence c;
        c.interval = std::chrono::milliseconds(std::stoll(text));
        if (const auto colon = text.find(':'); colon != std::string::npos) {
            const std::uint64_t mib = std::stoull(text.substr(colon + 1));
            c.bytes = mib == 0 ? UINT64_MAX : mib << 20;
        }
        return c;
    }
    std::string describe() const {
        return "every " + std::to_string(interval.count()) + " ms" +
               (bytes == UINT64_MAX ? "" : " / " + std::to_string(bytes >> 20) + " MiB") + " / " +
               std::to_string(held >> 20) + " MiB held";
    }
};

struct RunFigures {
    double wall = 0;
    double cpu = 0;
    IoCounts io;
    std::uint64_t fileSize = 0;
};

// The 10,000 mixed messages: bodies around 9 KB (log-normal), a tenth with an attachment of
// 10 KB to 2 MB, spread over 50 folders, as the end-to-end benchmark's corpus. Commits every
// the cadence given, or only at close without one.
RunFigures mixedRun(const fs::path& pst, const std::optional<Cadence>& cadence) {
    CountingFiles files;
    pst::WriterOptions options;
    options.files = &files;
    options.commitInterval = cadence ? cadence->interval : std::chrono::hours(24);
    options.commitBytes = cadence ? cadence->bytes : UINT64_MAX;
    options.commitHeldBytes = cadence ? cadence->held : UINT64_MAX;
    std::mt19937 random(42);
    std::lognormal_distribution<double> bodySize(std::log(9000.0), 0.8);
    std::uniform_real_distribution<double> unit(0, 1);
    const auto start = Clock::now();
    const double cpuStart = cpuSeconds();
    auto writer = pst::PstWriter::create(pst, "Bench", options);
    std::vector<pst::FolderId> folders;
    for (int f = 0; f < 50; ++f) {
        folders.push_back(writer->addFolder(writer->ipmSubtree(), "Folder " + std::to_string(f)));
    }
    for (int i = 0; i < 10000; ++i) {
        const auto body = static_cast<std::size_t>(std::min(bodySize(random), 200000.0));
        const std::size_t attachment =
            unit(random) < 0.1 ? static_cast<std::size_t>(10000.0 * std::pow(200.0, unit(random)))
                               : 0;
        writer->addMessage(folders[static_cast<std::size_t>(i) % folders.size()],
                           bench::benchMessage(i, body, attachment));
    }
    writer->close();
    RunFigures figures{bench::secondsSince(start), cpuSeconds() - cpuStart, files.counts,
                       fs::file_size(pst)};
    fs::remove(pst);
    return figures;
}

// Runs at each cadence and without commits, interleaved round by round so a busy shared disk
// weighs on all alike; compares medians of wall and processor time. The writer's own cadence
// unless others are given.
int commitOverhead(const fs::path& dir, std::vector<Cadence> intervals) {
    constexpr int kRounds = 5;
    const bool ownCadence = intervals.empty();
    if (ownCadence) {
        intervals.emplace_back();
    }
    std::vector<std::vector<RunFigures>> runs(intervals.size() + 1);
    for (int round = 0; round < kRounds; ++round) {
        for (std::size_t c = 0; c < runs.size(); ++c) {
            const auto interval =
                c < intervals.size() ? std::optional(intervals[c]) : std::optional<Cadence>();
            runs[c].push_back(mixedRun(dir / "mixed.pst", interval));
        }
    }
    auto medians = [&](std::size_t c) {
        std::vector<double> wall, cpu;
        for (const RunFigures& r : runs[c]) {
            wall.push_back(r.wall);
            cpu.push_back(r.cpu);
        }
        return std::pair{median(wall), median(cpu)};
    };
    const auto [onceWall, onceCpu] = medians(intervals.size());
    auto describe = [&](const char* what, std::size_t c, double wall, double cpu) {
        const IoCounts& io = runs[c].front().io;
        std::printf(
            "  %-22s wall %.2f s, processor %.2f s; %llu syncs, %llu headers, %llu writes, "
            "%.1f MiB written, %llu extensions, %llu truncations, file %.1f MiB\n",
            what, wall, cpu, static_cast<unsigned long long>(io.syncs),
            static_cast<unsigned long long>(io.headers), static_cast<unsigned long long>(io.writes),
            io.bytes / 1048576.0, static_cast<unsigned long long>(io.extensions),
            static_cast<unsigned long long>(io.truncations), runs[c].front().fileSize / 1048576.0);
    };
    std::printf("10,000 mixed messages in 50 folders, medians of %d interleaved rounds:\n",
                kRounds);
    describe("committed only at close", intervals.size(), onceWall, onceCpu);
    double ownOverhead = 0;
    for (std::size_t c = 0; c < intervals.size(); ++c) {
        const auto [wall, cpu] = medians(c);
        const std::string what = intervals[c].describe();
        describe(what.c_str(), c, wall, cpu);
        std::printf("  %-22s overhead: wall %.1f%%, processor %.1f%%\n", "",
                    (wall / onceWall - 1) * 100, (cpu / onceCpu - 1) * 100);
        if (c == 0) {
            ownOverhead = wall / onceWall - 1;
        }
    }
    if (ownCadence) {
        std::printf("commit overhead at the writer's cadence: %.1f%% of the run (goal <= 5%%)\n",
                    ownOverhead * 100);
    }
    return !ownCadence || ownOverhead <= 0.05 ? 0 : 1;
}

double smallMessages(const fs::path& pst, int count) {
    auto writer = pst::PstWriter::create(pst, "Bench");
    const pst::FolderId folder = writer->addFolder(writer->ipmSubtree(), "Inbox");
    const auto start = Clock::now();
    for (int i = 1; i <= count; ++i) {
        writer->addMessage(folder, bench::benchMessage(i, 200));
    }
    writer->close();
    const double perMessage = bench::secondsSince(start) / count;
    fs::remove(pst);
    return perMessage;
}

int scale(const fs::path& dir) {
    double small = 0, large = 0;
    const bench::ChildRun smallRun = inChild([&] {
        small = smallMessages(dir / "30k.pst", 30000);
        std::printf("30,000 messages in one folder: %.1f us/message\n", small * 1e6);
        std::FILE* out = std::fopen((dir / "30k.txt").c_str(), "w");
        std::fprintf(out, "%.9f", small);
        std::fclose(out);
        return 0;
    });
    const bench::ChildRun largeRun = inChild([&] {
        large = smallMessages(dir / "300k.pst", 300000);
        std::printf("300,000 messages in one folder: %.1f us/message\n", large * 1e6);
        std::FILE* out = std::fopen((dir / "300k.txt").c_str(), "w");
        std::fprintf(out, "%.9f", large);
        std::fclose(out);
        return 0;
    });
    auto readBack = [&](const char* name) {
        double v = 0;
        if (std::FILE* in = std::fopen((dir / name).c_str(), "r")) {
            if (std::fscanf(in, "%lf", &v) != 1) {
                v = 0;
            }
            std::fclose(in);
        }
        return v;
    };
    small = readBack("30k.txt");
    large = readBack("300k.txt");
    const double ratio = small > 0 ? large / small : 0;
    std::printf(
        "300,000 against 30,000 messages: time per message ratio %.2f (goal <= 1.1); peak RSS "
        "%.1f MiB (goal <= 100), %.1f MiB at 30,000\n",
        ratio, largeRun.peakRssMiB, smallRun.peakRssMiB);
    const bool ok = smallRun.exitStatus == 0 && largeRun.exitStatus == 0 && small > 0 &&
                    ratio <= 1.1 && largeRun.peakRssMiB <= 100;
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    const fs::path dir =
        fs::temp_directory_path() / ("tolvane-commit-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    int status = 0;
    if (only.empty() || only == "overhead") {
        // Further arguments: cadences to compare instead of the writer's own.
        std::vector<Cadence> intervals;
        for (int i = 2; i < argc; ++i) {
            intervals.push_back(Cadence::parse(argv[i]));
        }
        status |= inChild([&] { return commitOverhead(dir, intervals); }).exitStatus != 0;
    }
    if (only.empty() || only == "scale") {
        status |= scale(dir);
    }
    fs::remove_all(dir);
    std::printf("%s\n", status == 0 ? "all goals met" : "a goal was missed");
    return status == 0 ? 0 : 1;
}
