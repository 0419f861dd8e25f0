// Reading a Zimbra export archive against reading the same messages unpacked, at the reader's
// level: every item of a 100,000-message tgz made by tests/source/make_zimbra_export.py, each
// item's bytes read, against the .eml files (with their .meta beside them) of the same export
// unpacked in a folder tree; and the reader's peak memory at 10,000 and 100,000 messages. Each
// run is a child process, so its peak memory is its own; times are medians of interleaved
// rounds, after a first round that fills the page cache. Exits 1 when a figure misses its goal.
// An argument N (in thousands) reads an archive of N,000 messages only and sets no goal.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "source/SourceReader.h"

namespace {

using namespace tolvane::source;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRounds = 5;

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

Run inChild(const std::function<void(Counts&)>& body) {
    int channel[2];
    if (pipe(channel) != 0)
        return {};
    std::fflush(stdout);
    const auto start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        Counts counts;
        body(counts);
        const bool written = write(channel[1], &counts, sizeof counts) == sizeof counts;
        _exit(written ? 0 : 1);
    }
    close(channel[1]);
    Counts counts;
    const bool read = ::read(channel[0], &counts, sizeof counts) == sizeof counts;
    close(channel[0]);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    Run run;
    run.wall = std::chrono::duration<double>(Clock::now() - start).count();
    run.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
              static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    run.items = counts.items;
    run.ok = read && WIFEXITED(status) && WEXITSTATUS(status) == 0 && counts.problems == 0;
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

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int compare(const fs::path& dir) {
    const fs::path small = dir / "10k.tgz";
    const fs::path large = dir / "100k.tgz";
    const fs::path tree = dir / "100k";
    if (!generate(small, 10000) || !generate(large, 100000, tree)) {
        std::printf("the generator failed\n");
        return 1;
    }
    std::vector<double> archiveWall, archiveCpu, treeWall, treeCpu;
    Run lastArchive, lastTree;
    bool ok = true;
    for (int round = 0; round <= kRounds; ++round) {
        lastArchive = inChild([&](Counts& c) { readSource(large, c); });
        lastTree = inChild([&](Counts& c) { readTree(tree, c); });
        ok = ok && lastArchive.ok && lastTree.ok;
        if (round == 0)
            continue;  // fills the page cache
        archiveWall.push_back(lastArchive.wall);
        archiveCpu.push_back(lastArchive.cpu);
        treeWall.push_back(lastTree.wall);
        treeCpu.push_back(lastTree.cpu);
    }
    const Run smallRun = inChild([&](Counts& c) { readSource(small, c); });
    ok = ok && smallRun.ok;

    const double wallRatio = median(archiveWall) / median(treeWall);
    const double cpuRatio = median(archiveCpu) / median(treeCpu);
    std::printf("100,000 messages, medians of %d interleaved rounds:\n", kRounds);
    std::printf("  archive (%.0f MiB tgz, %llu items): wall %.2f s, processor %.2f s\n",
                static_cast<double>(fs::file_size(large)) / (1 << 20),
                static_cast<unsigned long long>(lastArchive.items), median(archiveWall),
                median(archiveCpu));
    std::printf("  unpacked tree (%llu .eml files):   wall %.2f s, processor %.2f s\n",
                static_cast<unsigned long long>(lastTree.items), median(treeWall), median(treeCpu));
    std::printf("  archive against tree: wall %.2fx, processor %.2fx (goal <= 1.1x)\n", wallRatio,
                cpuRatio);
    std::printf(
        "peak RSS reading the archive: %.1f MiB at 10,000 messages, %.1f MiB at 100,000 "
        "(goal <= 100 MiB, flat)\n",
        smallRun.peakMiB, lastArchive.peakMiB);
    const bool flat = lastArchive.peakMiB <= smallRun.peakMiB * 1.1 + 2;
    if (!ok)
        std::printf("a reading failed or met problems\n");
    return ok && wallRatio <= 1.1 && lastArchive.peakMiB <= 100 && flat ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path dir =
        fs::temp_directory_path() / ("tolvane-source-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    int status = 0;
    if (argc > 1) {
        const int messages = std::atoi(argv[1]) * 1000;
        const fs::path archive = dir / "only.tgz";
        if (generate(archive, messages)) {
            const Run run = inChild([&](Counts& c) { readSource(archive, c); });
            std::printf("%d messages: wall %.2f s, processor %.2f s, peak RSS %.1f MiB\n", messages,
                        run.wall, run.cpu, run.peakMiB);
        }
    } else {
        status = compare(dir);
        std::printf("%s\n", status == 0 ? "all goals met" : "a goal was missed");
    }
    fs::remove_all(dir);
    return status;
}
