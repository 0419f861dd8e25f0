// A Zimbra export archive against the same messages unpacked, read and converted: every item
// of a 100,000-message tgz made by tests/source/make_zimbra_export.py, against the .eml files
// (with their .meta beside them) of the same export unpacked in a folder tree. First the
// reader alone (each item's bytes read), then the conversion into a PST as a run makes it
// (SourceWriter over the real writer and import); and the peak memory of each at 10,000 and
// 100,000 messages. Each timed run is a forked child; each peak is taken in a process started
// afresh, so it holds nothing of this one. Times are medians of interleaved rounds, after a
// first round that fills the page cache. Exits 1 when
// a figure misses its goal. An argument N (in thousands) reads and converts an archive of
// N,000 messages only and sets no goal.

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "convert/MailboxFolders.h"
#include "convert/SourceWriter.h"
#include "source/SourceReader.h"
#include "store/Profile.h"
#include "store/Session.h"
#include "store/Store.h"
#include "store/StoreServices.h"
#include "support/ChildProcess.h"
#include "support/ProcStatus.h"
#include "support/Timing.h"

namespace {

using namespace tolvane::source;
namespace fs = std::filesystem;
using tolvane::bench::median;

constexpr int kRounds = 5;
constexpr int kConversionRounds = 3;

struct Run {
    double wall = 0;
    double cpu = 0;
    double peakMiB = 0;
    std::uint64_t items = 0;
    bool ok = false;
};

// What one reading did, passed from the child through a pipe.
struct Counts {
    std::uint64_t items = 0;
    std::uint64_t bytes = 0;
    std::uint64_t problems = 0;
};

// Reads every item of a source and all of its bytes.
void readSource(const fs::path& path, Counts& counts) {
    static std::array<std::uint8_t, 1 << 16> buffer;
    const auto reader = openSource(path);
    while (const auto item = reader->next()) {
        ++counts.items;
        if (item->bytes) {
            for (std::uint64_t at = 0; at < item->bytes->size();)
                at += item->bytes->readAt(at, buffer);
            counts.bytes += item->bytes->size();
        }
        counts.problems += reader->takeProblems().size();
    }
    counts.problems += reader->takeProblems().size();
}

void readTree(const fs::path& root, Counts& counts) {
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file() && entry.path().extension() == ".eml")
            readSource(entry.path(), counts);
    }
}

// Converts sources into a new PST in `dir`, as a run does, and counts the messages stored.
void convertSources(const std::vector<fs::path>& sources, const fs::path& dir, Counts& counts) {
    using namespace tolvane;
    auto profile = std::make_shared<store::Profile>(store::defaultServices());
    store::Session session(profile);
    session.Logon();
    auto store = session.Stores().AddPSTStore((dir / "bench.pst").string(), 1, "Bench");
    {
        convert::MailboxFolders folders(*store);
        convert::SourceWriter writer(folders, {});
        convert::SourceReport report;
        for (const auto& source : sources)
            writer.write(source, report);
        counts.items = report.stored;
        counts.problems = report.failures.size() + report.warnings.size();
    }
    store.reset();
    session.Logoff();
    fs::remove(dir / "bench.pst");
}

std::vector<fs::path> messageFiles(const fs::path& root) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file() && entry.path().extension() == ".eml")
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The counts come back through a pipe; they fit its buffer, so the child never waits on it.
Run inChild(const std::function<void(Counts&)>& body) {
    int channel[2];
    if (pipe(channel) != 0)
        return {};
    const tolvane::bench::ChildRun child = tolvane::bench::inChild([&] {
        close(channel[0]);
        Counts counts;
        body(counts);
        return write(channel[1], &counts, sizeof counts) == sizeof counts ? 0 : 1;
    });
    close(channel[1]);
    Counts counts;
    const bool read = ::read(channel[0], &counts, sizeof counts) == sizeof counts;
    close(channel[0]);
    Run run;
    run.wall = child.seconds;
    run.cpu = child.cpuSeconds;
    run.peakMiB = child.peakRssMiB;
    run.items = counts.items;
    run.ok = read && child.exitStatus == 0 && counts.problems == 0;
    return run;
}

bool generate(const fs::path& archive, int messages, const fs::path& unpackInto = {}) {
    std::string command = std::string(TOLVANE_PYTHON) + " " + TOLVANE_EXPORT_GENERATOR + " '" +
                          archive.string() + "' --mailbox bulk:" + std::to_string(messages);
    if (!unpackInto.empty())
        command += " --unpack '" + unpackInto.string() + "'";
    std::printf("writing %s (%d messages)%s\n", archive.filename().c_str(), messages,
                unpackInto.empty() ? "" : " and unpacking it");
    std::fflush(stdout);
    return std::system(command.c_str()) == 0;
}

// The peak memory of reading or converting one archive in a process of its own: a forked child
// counts the pages it shares with this one (the tree's file list among them), and even after an
// exec the kernel keeps the fork's high-water mark in getrusage, so the new image reads its own
// VmHWM and prints it. -1 when the run failed.
double freshPeakMiB(const char* mode, const fs::path& archive, const fs::path& dir) {
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    const std::string command =
        "'" + self + "' --peak " + mode + " '" + archive.string() + "' '" + dir.string() + "'";
    std::fflush(stdout);
    FILE* out = popen(command.c_str(), "r");
    if (!out)
        return -1;
    long kib = -1;
    if (std::fscanf(out, "%ld", &kib) != 1)
        kib = -1;
    return pclose(out) == 0 && kib > 0 ? static_cast<double>(kib) / 1024.0 : -1;
}

// The child side of freshPeakMiB.
int printPeak(const std::string& mode, const fs::path& archive, const fs::path& dir) {
    Counts counts;
    if (mode == "read")
        readSource(archive, counts);
    else
        convertSources({archive}, dir, counts);
    if (counts.problems != 0)
        return 1;
    std::printf("%ld\n", procStatusKiB("VmHWM"));
    return 0;
}

struct Comparison {
    Run archive, tree, small;
    double wallRatio = 0;
    double cpuRatio = 0;
};

// Interleaved rounds of the archive and the tree, then the small archive once.
Comparison measure(int rounds, const std::function<void(Counts&)>& archive,
                   const std::function<void(Counts&)>& tree,
                   const std::function<void(Counts&)>& small) {
    Comparison c;
    std::vector<double> archiveWall, archiveCpu, treeWall, treeCpu;
    for (int round = 0; round <= rounds; ++round) {
        c.archive = inChild(archive);
        c.tree = inChild(tree);
        if (!c.archive.ok || !c.tree.ok)
            return c;
        if (round == 0)
            continue;  // fills the page cache
        archiveWall.push_back(c.archive.wall);
        archiveCpu.push_back(c.archive.cpu);
        treeWall.push_back(c.tree.wall);
        treeCpu.push_back(c.tree.cpu);
    }
    c.small = inChild(small);
    c.wallRatio = median(archiveWall) / median(treeWall);
    c.cpuRatio = median(archiveCpu) / median(treeCpu);
    c.archive.wall = median(archiveWall);
    c.archive.cpu = median(archiveCpu);
    c.tree.wall = median(treeWall);
    c.tree.cpu = median(treeCpu);
    return c;
}

// Prints the figures; whether they meet the goals.
bool report(const char* what, int rounds, const Comparison& c) {
    const bool ok =
        c.archive.ok && c.tree.ok && c.small.ok && c.small.peakMiB > 0 && c.archive.peakMiB > 0;
    if (!ok) {
        std::printf("%s: a run failed or met problems\n", what);
        return false;
    }
    std::printf("%s, 100,000 messages, medians of %d interleaved rounds:\n", what, rounds);
    std::printf("  archive (%llu items): wall %.2f s, processor %.2f s\n",
                static_cast<unsigned long long>(c.archive.items), c.archive.wall, c.archive.cpu);
    std::printf("  unpacked tree (%llu items): wall %.2f s, processor %.2f s\n",
                static_cast<unsigned long long>(c.tree.items), c.tree.wall, c.tree.cpu);
    std::printf("  archive against tree: wall %.2fx, processor %.2fx (goal <= 1.1x)\n", c.wallRatio,
                c.cpuRatio);
    std::printf(
        "  peak RSS of the archive: %.1f MiB at 10,000 messages, %.1f MiB at 100,000 "
        "(goal <= 100 MiB, flat)\n",
        c.small.peakMiB, c.archive.peakMiB);
    const bool flat = c.archive.peakMiB <= c.small.peakMiB * 1.1 + 2;
    return c.wallRatio <= 1.1 && c.archive.peakMiB <= 100 && flat;
}

int compare(const fs::path& dir) {
    const fs::path small = dir / "10k.tgz";
    const fs::path large = dir / "100k.tgz";
    const fs::path tree = dir / "100k";
    if (!generate(small, 10000) || !generate(large, 100000, tree)) {
        std::printf("the generator failed\n");
        return 1;
    }
    Comparison reading = measure(
        kRounds, [&](Counts& c) { readSource(large, c); }, [&](Counts& c) { readTree(tree, c); },
        [&](Counts& c) { readSource(small, c); });
    reading.small.peakMiB = freshPeakMiB("read", small, dir);
    reading.archive.peakMiB = freshPeakMiB("read", large, dir);
    const bool readingOk = report("Reading", kRounds, reading);
    const std::vector<fs::path> files = messageFiles(tree);
    Comparison converting = measure(
        kConversionRounds, [&](Counts& c) { convertSources({large}, dir, c); },
        [&](Counts& c) { convertSources(files, dir, c); },
        [&](Counts& c) { convertSources({small}, dir, c); });
    converting.small.peakMiB = freshPeakMiB("convert", small, dir);
    converting.archive.peakMiB = freshPeakMiB("convert", large, dir);
    const bool convertingOk = report("Converting into a PST", kConversionRounds, converting);
    return readingOk && convertingOk ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--peak")
        return printPeak(argv[2], argv[3], argv[4]);
    const fs::path dir =
        fs::temp_directory_path() / ("tolvane-source-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    int status = 0;
    if (argc > 1) {
        const int messages = std::atoi(argv[1]) * 1000;
        const fs::path archive = dir / "only.tgz";
        if (generate(archive, messages)) {
            const Run read = inChild([&](Counts& c) { readSource(archive, c); });
            std::printf("%d messages read: wall %.2f s, processor %.2f s, peak RSS %.1f MiB\n",
                        messages, read.wall, read.cpu, read.peakMiB);
            const Run converted = inChild([&](Counts& c) { convertSources({archive}, dir, c); });
            std::printf(
                "%d messages converted (%llu stored%s): wall %.2f s, processor %.2f s, "
                "peak RSS %.1f MiB\n",
                messages, static_cast<unsigned long long>(converted.items),
                converted.ok ? "" : ", with problems", converted.wall, converted.cpu,
                converted.peakMiB);
        }
    } else {
        status = compare(dir);
        std::printf("%s\n", status == 0 ? "all goals met" : "a goal was missed");
    }
    fs::remove_all(dir);
    return status;
}
