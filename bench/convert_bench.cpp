// tolvane-convert end to end against the floor of what any converter must do with the same
// files: GMime's bare parse of each message and a plain copy of its bytes.
//
//   10,000 mixed messages (median about 10 KB, a tenth with attachments up to 2 MB) in 50
//   folders: messages per second, convert/parse and convert/copy ratios, medians of three
//   rounds that run copy, parse and convert in turn. tolvane-convert reads ahead on two
//   threads, so the parse runs twice: on one thread, and on two (the floor for a two-core
//   import). Every side runs in a process of its own and reports wall and processor time.
//   100,000 small messages: time per message against the 10,000 run, peak memory.
//   40,000 messages in one queue: every one converted.
//
// A side that fails (a file not read, a message not parsed, tolvane-convert not converting
// everything) makes the exit status 1. With CONVERT_BENCH_KEEP set, the mixed corpus is left
// on disk for profiling.

#include <gmime/gmime.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/ChildProcess.h"
#include "support/EmlText.h"
#include "support/Timing.h"

namespace {

namespace fs = std::filesystem;
namespace bench = tolvane::bench;

constexpr int kFolders = 50;

struct Corpus {
    std::vector<fs::path> files;
    std::uint64_t bytes = 0;
};

std::string textBody(std::mt19937& random, std::size_t size) {
    static const char* const words[] = {"mail", "folder",  "Zimbra",  "export", "quarterly",
                                        "team", "report",  "meeting", "é",      "naïve",
                                        "data", "Outlook", "numbers", "the",    "and"};
    std::uniform_int_distribution<int> pick(0, std::size(words) - 1);
    std::string body;
    std::size_t column = 0;
    while (body.size() < size) {
        const std::string word = words[pick(random)];
        body += word;
        column += word.size() + 1;
        if (column > 70) {
            body += "\r\n";
            column = 0;
        } else {
            body += ' ';
        }
    }
    return body + "\r\n";
}

// Writes `count` messages into kFolders folders below `root`.
Corpus generate(const fs::path& root, int count, bool mixed, unsigned seed) {
    std::mt19937 random(seed);
    std::lognormal_distribution<double> bodySize(std::log(mixed ? 9000.0 : 1200.0),
                                                 mixed ? 0.8 : 0.3);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    Corpus corpus;
    for (int f = 0; f < kFolders; ++f) {
        fs::create_directories(root / ("Account " + std::to_string(f / 5)) /
                               ("Folder " + std::to_string(f % 5)));
    }
    for (int k = 0; k < count; ++k) {
        const fs::path folder = root / ("Account " + std::to_string((k % kFolders) / 5)) /
                                ("Folder " + std::to_string(k % 5));
        const fs::path file = folder / ("msg" + std::to_string(k) + ".eml");
        const auto size = static_cast<std::size_t>(std::clamp(bodySize(random), 300.0, 300000.0));
        std::string text =
            "From: Ann Example <ann@example.org>\r\nTo: Bob Example <bob@example.org>\r\n"
            "Subject: Message " +
            std::to_string(k) +
            "\r\nDate: Sun, 06 Dec 2026 04:05:07 +0000\r\n"
            "Message-ID: <" +
            std::to_string(k) + "@bench.example.org>\r\nMIME-Version: 1.0\r\n";
        const bool attach = mixed && unit(random) < 0.1;
        if (!attach) {
            text +=
                "Content-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: "
                "8bit\r\n\r\n" +
                textBody(random, size);
        } else {
            // Attachment sizes spread evenly on a log scale from 10 KB to 2 MB.
            const auto attachmentSize =
                static_cast<std::size_t>(10000.0 * std::pow(200.0, unit(random)));
            std::string data(attachmentSize, '\0');
            for (auto& byte : data) {
                byte = static_cast<char>(random());
            }
            text +=
                "Content-Type: multipart/mixed; boundary=\"=_b\"\r\n\r\n--=_b\r\n"
                "Content-Type: text/plain; charset=utf-8\r\n\r\n" +
                textBody(random, size) +
                "--=_b\r\nContent-Type: application/octet-stream; name=\"data.bin\"\r\n"
                "Content-Disposition: attachment; filename=\"data.bin\"\r\n"
                "Content-Transfer-Encoding: base64\r\n\r\n" +
                bench::base64Lines(data) + "--=_b--\r\n";
        }
        std::ofstream(file, std::ios::binary) << text;
        corpus.files.push_back(file);
        corpus.bytes += text.size();
    }
    return corpus;
}

// What one side of the comparison took, measured from outside its own process.
struct Run : bench::ChildRun {
    std::string summary;  // tolvane-convert's last line on standard error
};

Run inChild(const std::function<int()>& body) {
    return {bench::inChild(body), {}};
}

// Parses every message of `files` that `thread` of `threads` owns; false if one failed.
bool parseShare(const Corpus& corpus, unsigned thread, unsigned threads) {
    bool sound = true;
    for (std::size_t k = thread; k < corpus.files.size(); k += threads) {
        const fs::path& file = corpus.files[k];
        GError* error = nullptr;
        GMimeStream* stream = g_mime_stream_fs_open(file.c_str(), O_RDONLY, 0, &error);
        if (!stream) {
            std::fprintf(stderr, "cannot open %s\n", file.c_str());
            g_clear_error(&error);
            sound = false;
            continue;
        }
        GMimeParser* parser = g_mime_parser_new_with_stream(stream);
        GMimeMessage* message = g_mime_parser_construct_message(parser, nullptr);
        if (message) {
            g_object_unref(message);
        } else {
            std::fprintf(stderr, "GMime cannot parse %s\n", file.c_str());
            sound = false;
        }
        g_object_unref(parser);
        g_object_unref(stream);
    }
    return sound;
}

// GMime's bare parse of every file on `threads` threads, each taking every threads-th file.
Run bareParse(const Corpus& corpus, unsigned threads) {
    return inChild([&] {
        g_mime_init();
        std::vector<char> sound(threads, 0);
        std::vector<std::thread> workers;
        for (unsigned t = 0; t < threads; ++t) {
            workers.emplace_back([&, t] { sound[t] = parseShare(corpus, t, threads); });
        }
        for (std::thread& worker : workers) {
            worker.join();
        }
        return std::count(sound.begin(), sound.end(), 0) == 0 ? 0 : 1;
    });
}

Run plainCopy(const Corpus& corpus, const fs::path& target) {
    return inChild([&] {
        std::FILE* out = std::fopen(target.c_str(), "wb");
        if (!out) {
            std::perror(target.c_str());
            return 1;
        }
        std::vector<char> buffer(1 << 20);
        bool sound = true;
        for (const auto& file : corpus.files) {
            std::FILE* in = std::fopen(file.c_str(), "rb");
            if (!in) {
                std::perror(file.c_str());
                sound = false;
                continue;
            }
            for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), in)) > 0;) {
                sound = sound && std::fwrite(buffer.data(), 1, n, out) == n;
            }
            std::fclose(in);
        }
        sound = sound && std::fflush(out) == 0 && fsync(fileno(out)) == 0;
        sound = std::fclose(out) == 0 && sound;
        return sound ? 0 : 1;
    });
}

Run convert(const fs::path& source, const fs::path& dest, const fs::path& log) {
    fs::create_directories(dest);
    Run run{bench::spawned({TOLVANE_CONVERT_PATH, "--dest", dest.string(), source.string()},
                           "/dev/null", log.string()),
            {}};
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) {
            run.summary = line;
        }
    }
    return run;
}

constexpr int kRounds = 3;

// The run of median wall time.
Run median(std::vector<Run> runs) {
    return bench::median(runs, [](const Run& a, const Run& b) { return a.seconds < b.seconds; });
}

const char* verdict(bool met) {
    return met ? "met" : "NOT MET";
}

void printRun(const char* name, const Run& run, int messages) {
    std::printf("  %-28s %7.2f s  %8.0f msg/s  CPU %6.2f s  peak RSS %4.0f MiB\n", name,
                run.seconds, messages / run.seconds, run.cpuSeconds, run.peakRssMiB);
}

bool allSucceeded(const std::vector<Run>& runs) {
    return std::all_of(runs.begin(), runs.end(), [](const Run& r) { return r.exitStatus == 0; });
}

}  // namespace

int main(int argc, char* argv[]) {
    // With an argument (mixed, small or forty), only that part runs.
    const std::string only = argc > 1 ? argv[1] : "";
    const auto wanted = [&](const char* part) { return only.empty() || only == part; };
    const fs::path work =
        fs::temp_directory_path() / ("tolvane-convert-bench-" + std::to_string(getpid()));
    fs::create_directories(work);
    int status = 0;

    // 10,000 mixed messages. Three rounds of copy, parse on one thread, parse on two and
    // convert, each step starting with the writes before it on disk, so none pays for
    // another's write-back; medians are shown, as a shared machine's disk and CPU vary from
    // one second to the next.
    double perMessageMixed = 0;
    if (wanted("mixed")) {
        const Corpus mixed = generate(work / "mixed" / "Zimbra", 10000, true, 42);
        std::vector<Run> copies, parses, parsesOnTwo, runs;
        for (int round = 0; round < kRounds; ++round) {
            sync();
            copies.push_back(plainCopy(mixed, work / "copy.bin"));
            fs::remove(work / "copy.bin");
            sync();
            parses.push_back(bareParse(mixed, 1));
            sync();
            parsesOnTwo.push_back(bareParse(mixed, 2));
            sync();
            runs.push_back(
                convert(work / "mixed" / "Zimbra", work / "out-mixed", work / "mixed.log"));
            fs::remove_all(work / "out-mixed");
        }
        const Run convertRun = median(runs);
        const Run parse = median(parses);
        const Run parseOnTwo = median(parsesOnTwo);
        const Run copy = median(copies);
        const double rate = 10000 / convertRun.seconds;
        std::printf("10,000 mixed messages, %.0f MB, 50 folders (median of %d rounds)\n",
                    mixed.bytes / 1e6, kRounds);
        printRun("tolvane-convert", convertRun, 10000);
        std::printf("  %-28s", "rounds");
        for (const Run& run : runs) {
            std::printf(" %.2f s", run.seconds);
        }
        std::printf("  (%s)\n", convertRun.summary.c_str());
        printRun("GMime bare parse, 1 thread", parse, 10000);
        printRun("GMime bare parse, 2 threads", parseOnTwo, 10000);
        printRun("plain copy", copy, 10000);
        std::printf("  convert / parse on 1 thread   %5.2f wall, %5.2f CPU  (goal <= 2: %s)\n",
                    convertRun.seconds / parse.seconds, convertRun.cpuSeconds / parse.cpuSeconds,
                    verdict(convertRun.seconds <= 2 * parse.seconds));
        std::printf("  convert / parse on 2 threads  %5.2f wall, %5.2f CPU\n",
                    convertRun.seconds / parseOnTwo.seconds,
                    convertRun.cpuSeconds / parseOnTwo.cpuSeconds);
        std::printf("  convert / copy                %5.2f wall, %5.2f CPU\n",
                    convertRun.seconds / copy.seconds, convertRun.cpuSeconds / copy.cpuSeconds);
        std::printf("  rate goal >= 2,000 msg/s: %s\n", verdict(rate >= 2000));
        for (const auto* side : {&copies, &parses, &parsesOnTwo, &runs}) {
            status |= allSucceeded(*side) ? 0 : 1;
        }
        for (const Run& run : runs) {
            status |= run.summary.find("10000 of 10000 message(s) converted") == std::string::npos;
        }
        if (!std::getenv("CONVERT_BENCH_KEEP")) {
            fs::remove_all(work / "mixed");
        }
        perMessageMixed = convertRun.seconds / 10000;
    }

    // 100,000 small messages.
    if (wanted("small")) {
        generate(work / "small" / "Zimbra", 100000, false, 7);
        sync();
        const Run smallRun =
            convert(work / "small" / "Zimbra", work / "out-small", work / "small.log");
        const double perMessageSmall = smallRun.seconds / 100000;
        std::printf("100,000 small messages\n");
        std::printf(
            "  tolvane-convert  %7.2f s  %8.0f msg/s  CPU %.2f s  peak RSS %.0f MiB  (%s)\n",
            smallRun.seconds, 100000 / smallRun.seconds, smallRun.cpuSeconds, smallRun.peakRssMiB,
            smallRun.summary.c_str());
        if (perMessageMixed > 0) {  // the 10,000 run ran too
            std::printf(
                "  time per message %.1f us vs %.1f us in the 10,000 run: ratio %.2f (goal <= "
                "1.25: %s)\n",
                perMessageSmall * 1e6, perMessageMixed * 1e6, perMessageSmall / perMessageMixed,
                verdict(perMessageSmall <= 1.25 * perMessageMixed));
        } else {
            std::printf("  time per message %.1f us\n", perMessageSmall * 1e6);
        }
        std::printf("  peak RSS goal < 200 MiB: %s\n", verdict(smallRun.peakRssMiB < 200));
        status |=
            smallRun.exitStatus != 0 ||
            smallRun.summary.find("100000 of 100000 message(s) converted") == std::string::npos;
        fs::remove_all(work / "small");
        fs::remove_all(work / "out-small");
    }

    // 40,000 messages in one queue (the old limit was 16,385).
    if (wanted("forty")) {
        generate(work / "forty" / "Zimbra", 40000, false, 11);
        sync();
        const Run fortyRun =
            convert(work / "forty" / "Zimbra", work / "out-forty", work / "forty.log");
        std::printf("40,000-message queue: exit %d, %.2f s (%s)\n", fortyRun.exitStatus,
                    fortyRun.seconds, fortyRun.summary.c_str());
        status |= fortyRun.exitStatus != 0 ||
                  fortyRun.summary.find("40000 of 40000 message(s) converted") == std::string::npos;
    }

    if (status != 0) {
        std::printf("convert_bench: a side failed (see above)\n");
    }
    if (std::getenv("CONVERT_BENCH_KEEP")) {
        std::printf("corpus kept in %s\n", work.c_str());
    } else {
        fs::remove_all(work);
    }
    return status;
}
