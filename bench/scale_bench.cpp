// tolvane-convert on one folder of 30,000, 300,000 and 1,000,000 small messages: peak memory
// and time per message as the queue grows. The queue must hold every path (the window shows
// them all), so its own lists are counted apart, at their size in memory, and the goals are
// on what the run holds beyond them: at most 64 MiB at 300,000, no more at 1,000,000 (within
// 10% and 2 MiB), and time per message at 1,000,000 within 1.1x that at 30,000.
// A shared machine runs faster and slower by the minute, and a 1,000,000 run lasts most of
// one: set against the median of short runs, which leaves the slow spells out, one long run
// that meets one is a miss the program did not make. So the 1,000,000 run is made three
// times, each between two 30,000 runs (after one that is not counted), and the time goal is
// on the median of the three ratios, each run against the mean of its two neighbours.
// Every run's files are read once just before it, so the runs measure the program rather
// than the disk; each line says what its run still read from the disk. The 30,000 files stay
// while the other sizes are generated, converted in a process of their own and removed
// (1,000,000 files take about 4 GB). Exits 1 when a figure misses its goal. An argument N
// (in thousands) runs that size only and sets no goal.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "support/ConvertRun.h"

namespace {

namespace fs = std::filesystem;
using namespace tolvane::bench;

// Whether the run converted every one of `count` messages.
bool convertedAll(const ConvertRun& run, int count) {
    return run.exitStatus == 0 &&
           run.summary.find(std::to_string(count) + " of " + std::to_string(count) +
                            " message(s) converted") != std::string::npos;
}

struct SizeRun {
    int count = 0;
    ConvertRun run;
    double queueMiB = 0;
    double beyondQueueMiB() const { return run.peakRssMiB - queueMiB; }
    double microsecondsPerMessage() const { return run.seconds / count * 1e6; }
    bool converted() const { return convertedAll(run, count); }
};

// What the program's heap gives a string's text: none when it fits in the string itself (15
// bytes). jemalloc rounds the request up to its size class: multiples of 16 up to 128, then
// four classes to each doubling. glibc adds its 8-byte header and rounds up to 16, at least 32.
double heapBytesOfText(std::size_t length) {
    if (length <= 15) {
        return 0;
    }
    const std::size_t request = length + 1;
#ifdef TOLVANE_BENCH_JEMALLOC
    std::size_t spacing = 16;
    if (request > 128) {
        std::size_t power = 128;
        while (power * 2 < request) {
            power *= 2;
        }
        spacing = power / 4;
    }
    return static_cast<double>((request + spacing - 1) / spacing * spacing);
#else
    const std::size_t chunk = (request + 8 + 15) / 16 * 16;
    return static_cast<double>(chunk < 32 ? 32 : chunk);
#endif
}

// The name of the k-th generated message file.
std::string messageFileName(int k) {
    char name[32];
    std::snprintf(name, sizeof name, "m%07d.eml", k);
    return name;
}

// `count` short messages in `folder`; returns what the command line's queue holds for them:
// each path, its stamp and its message count.
double writeOneFolder(const fs::path& folder, int count) {
    fs::create_directories(folder);
    double queueBytes = 0;
    for (int k = 0; k < count; ++k) {
        const fs::path file = folder / messageFileName(k);
        std::ofstream(file, std::ios::binary)
            << "From: Ann Example <ann@example.org>\r\nTo: Bob Example <bob@example.org>\r\n"
               "Subject: Message "
            << k
            << "\r\nDate: Sun, 06 Dec 2026 04:05:07 +0000\r\nMIME-Version: 1.0\r\n"
               "Content-Type: text/plain; charset=utf-8\r\n\r\nA short body.\r\n";
        queueBytes += sizeof(std::string) + heapBytesOfText(file.string().size()) +
                      sizeof(std::optional<std::pair<std::uintmax_t, std::int64_t>>) +  // stamp
                      sizeof(std::uint64_t);
    }
    return queueBytes;
}

// A folder of `count` messages, generated, and what the queue holds for it.
struct SizeFolder {
    int count = 0;
    fs::path source;
    double queueMiB = 0;
};

SizeFolder writeSize(const fs::path& work, int count) {
    SizeFolder folder{count, work / ("in-" + std::to_string(count)), 0};
    folder.queueMiB = writeOneFolder(folder.source / "Inbox", count) / (1 << 20);
    return folder;
}

// Reads every message file once, in the order the run takes them. This machine's memory
// manager pages out file data left alone for a minute (DAMON), and 1,000,000 files take
// longer than that to write: without this, the run reads some share of them back from the
// disk, a share that differs from run to run (2.4 GB read back in one run, 137 MB in the next),
// and the time per message measures the disk. Files read more than a minute before their turn
// can still go, so the run's own reads are printed beside its time.
void readEveryFile(const SizeFolder& folder) {
    std::vector<char> bytes(1 << 16);
    for (int k = 0; k < folder.count; ++k) {
        const fs::path file = folder.source / "Inbox" / messageFileName(k);
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            continue;  // the run reports it
        }
        while (::read(fd, bytes.data(), bytes.size()) > 0) {
        }
        ::close(fd);
    }
}

ConvertRun convertOnce(const fs::path& work, const SizeFolder& folder) {
    const fs::path dest = work / ("out-" + std::to_string(folder.count));
    ::sync();
    readEveryFile(folder);
    ConvertRun run = runConvert(TOLVANE_CONVERT_PATH, folder.source, dest, work / "convert.log");
    fs::remove_all(dest);
    return run;
}

// The run of median time among `runs`, with the folder's figures.
SizeRun medianRun(const SizeFolder& folder, std::vector<ConvertRun> runs) {
    std::sort(runs.begin(), runs.end(),
              [](const ConvertRun& a, const ConvertRun& b) { return a.seconds < b.seconds; });
    SizeRun size;
    size.count = folder.count;
    size.queueMiB = folder.queueMiB;
    size.run = runs[runs.size() / 2];
    return size;
}

void print(const SizeRun& size, std::size_t runs) {
    const std::string which = runs == 1 ? "one run" : "median of " + std::to_string(runs) + " runs";
    std::printf(
        "%9d messages: %7.2f s  %6.1f us/message  peak RSS %6.1f MiB  queue's own lists %5.1f "
        "MiB  beyond them %5.1f MiB  read from the disk %6.1f MiB  (%s; %s)\n",
        size.count, size.run.seconds, size.microsecondsPerMessage(), size.run.peakRssMiB,
        size.queueMiB, size.beyondQueueMiB(), size.run.diskReadMiB, which.c_str(),
        size.run.summary.c_str());
    std::fflush(stdout);
}

// Generates, converts once and removes a folder of `count` messages.
SizeRun runSize(const fs::path& work, int count) {
    const SizeFolder folder = writeSize(work, count);
    SizeRun size = medianRun(folder, {convertOnce(work, folder)});
    fs::remove_all(folder.source);
    print(size, 1);
    return size;
}

const char* verdict(bool met) {
    return met ? "met" : "MISSED";
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path work =
        fs::temp_directory_path() / ("tolvane-scale-bench-" + std::to_string(getpid()));
    fs::create_directories(work);
    if (argc > 1) {
        const SizeRun one = runSize(work, std::atoi(argv[1]) * 1000);
        fs::remove_all(work);
        return one.converted() ? 0 : 1;
    }
    const SizeFolder smallFolder = writeSize(work, 30000);
    const SizeRun middle = runSize(work, 300000);
    const SizeFolder largeFolder = writeSize(work, 1000000);
    convertOnce(work, smallFolder);  // the small files back in memory; not counted
    std::vector<ConvertRun> smallRuns{convertOnce(work, smallFolder)};
    std::vector<ConvertRun> largeRuns;
    std::vector<double> ratios;
    for (int r = 0; r < 3; ++r) {
        largeRuns.push_back(convertOnce(work, largeFolder));
        smallRuns.push_back(convertOnce(work, smallFolder));
        const double large = largeRuns.back().seconds / largeFolder.count;
        const double small = (smallRuns[smallRuns.size() - 2].seconds + smallRuns.back().seconds) /
                             2 / smallFolder.count;
        ratios.push_back(large / small);
        std::printf(
            "1,000,000 run %d: %.1f us/message, its 30,000 neighbours %.1f us/message: "
            "%.2f\n",
            r + 1, large * 1e6, small * 1e6, ratios.back());
        std::fflush(stdout);
    }
    fs::remove_all(largeFolder.source);
    const SizeRun large = medianRun(largeFolder, largeRuns);
    print(large, largeRuns.size());
    const SizeRun small = medianRun(smallFolder, smallRuns);
    print(small, smallRuns.size());
    fs::remove_all(work);

    bool allConverted = middle.converted();
    for (const ConvertRun& run : smallRuns) {
        allConverted = allConverted && convertedAll(run, smallFolder.count);
    }
    double largestPeak = 0;
    for (const ConvertRun& run : largeRuns) {
        allConverted = allConverted && convertedAll(run, largeFolder.count);
        largestPeak = std::max(largestPeak, run.peakRssMiB);
    }
    // The memory goal on the largest of the three peaks, not the median's.
    const double largeBeyondQueue = largestPeak - largeFolder.queueMiB;
    const bool middleMet = middle.beyondQueueMiB() <= 64;
    const bool flat = largeBeyondQueue <= 1.1 * middle.beyondQueueMiB() + 2;
    std::sort(ratios.begin(), ratios.end());
    const double timeRatio = ratios[ratios.size() / 2];
    std::printf("beyond the queue at 300,000: %.1f MiB (goal <= 64: %s)\n", middle.beyondQueueMiB(),
                verdict(middleMet));
    std::printf(
        "beyond the queue at 1,000,000: %.1f MiB at the largest of %zu peaks, against %.1f at "
        "300,000 (goal: flat, <= 1.1x + 2 MiB: %s)\n",
        largeBeyondQueue, largeRuns.size(), middle.beyondQueueMiB(), verdict(flat));
    std::printf(
        "time per message at 1,000,000 / at 30,000: %.2f, the median of %.2f %.2f %.2f (goal "
        "<= 1.1: %s)\n",
        timeRatio, ratios[0], ratios[1], ratios[2], verdict(timeRatio <= 1.1));
    std::printf("all converted: %s\n", verdict(allConverted));
    return allConverted && middleMet && flat && timeRatio <= 1.1 ? 0 : 1;
}
