// Scan time of pathLogger over generated folder trees, as Add Folder drives it.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "scan/PathLogger.h"
#include "support/TempFolder.h"
#include "support/Timing.h"

namespace {

namespace bench = tolvane::bench;

struct TreeShape {
    int topFolders;      // folders directly below the top
    int foldersEach;     // subfolders of each of those
    int filesPerFolder;  // in every folder but the top
    int totalFolders() const { return topFolders * (1 + foldersEach); }
    int totalFiles() const { return totalFolders() * filesPerFolder; }
};

void fillFolder(const std::filesystem::path& folder, int files) {
    std::filesystem::create_directories(folder);
    for (int k = 0; k < files; ++k) {
        // One file in ten is not a message, as in a real export with attachments saved beside.
        const char* extension = k % 10 == 9 ? ".txt" : ".eml";
        std::ofstream(folder / ("Message " + std::to_string(k) + extension)) << "x";
    }
}

void buildTree(const std::string& top, const TreeShape& shape) {
    for (int a = 0; a < shape.topFolders; ++a) {
        const std::filesystem::path level1 =
            std::filesystem::path(top) / ("Folder" + std::to_string(a));
        fillFolder(level1, shape.filesPerFolder);
        for (int b = 0; b < shape.foldersEach; ++b) {
            fillFolder(level1 / ("Sub" + std::to_string(b)), shape.filesPerFolder);
        }
    }
}

double scanSeconds(const std::string& top, int expectedFiles) {
    const auto start = bench::Clock::now();
    tolvane::pathLogger scanner;
    scanner.PathLogInit();
    scanner.fullFileNamesOnly(true);
    scanner.LogPath(top);
    const auto files = scanner.fullFileNames();
    scanner.Terminate();
    const double seconds = bench::secondsSince(start);
    if (files->Count() != expectedFiles) {
        std::fprintf(stderr, "scan found %d files, expected %d\n", files->Count(), expectedFiles);
        std::exit(1);
    }
    return seconds;
}

void benchmark(const TreeShape& shape) {
    const std::string top = bench::makeTempFolder("scan-bench").string() + "/";
    const double buildSeconds = bench::timed([&] { buildTree(top, shape); }).seconds;

    constexpr int kRuns = 5;
    std::vector<double> runs;
    for (int run = 0; run < kRuns; ++run) {
        runs.push_back(scanSeconds(top, shape.totalFiles()));
    }
    std::printf(
        "scan %7d files in %5d folders: first %.3f s, median of %d %.3f s, best %.3f s"
        " (tree built in %.1f s)\n",
        shape.totalFiles(), shape.totalFolders(), runs.front(), kRuns, bench::median(runs),
        *std::min_element(runs.begin(), runs.end()), buildSeconds);
    std::fflush(stdout);
    std::filesystem::remove_all(top);
}

}  // namespace

int main() {
    try {
        benchmark({10, 9, 100});   // 10,000 files in 100 folders
        benchmark({10, 99, 100});  // 100,000 files in 1,000 folders
    } catch (const std::exception& error) {
        std::fprintf(stderr, "scan_bench failed: %s\n", error.what());
        return 1;
    }
    return 0;
}
