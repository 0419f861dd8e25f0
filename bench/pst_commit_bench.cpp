// Commit points in the PST writer: what committing every few seconds costs a run of 10,000
// mixed messages in 50 folders (against the same run committed only at close), and, for
// 300,000 small messages in one folder, the peak memory and the time per message against a
// run of 30,000. Each case runs in a child process so its peak memory is its own. Exits 1
// when a figure misses its goal. An argument (overhead, scale) runs one case; `overhead
// MS[:MIB]...` compares those cadences (interval, and bytes written; 0 for none) instead of the
// writer's own and sets no goal.

#include <sys/resource.h>
#include <sys/wait.h>
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

#include "mapi/Tags.h"
#include "pst/PstWriter.h"
#include "pst/ndb/PosixFileIo.h"

namespace {

using namespace tolvane;
using mapi::PropValue;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

// Processor time of this process (user and system), to see past a busy shared disk.
double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

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

mapi::Message message(int i, std::size_t bodyChars, std::size_t attachment) {
    mapi::Message m;
    m.props.set(mapi::tag::kMessageClass, PropValue::unicode("IPM.Note"));
    m.props.set(mapi::tag::kSubject, PropValue::unicode("Message number " + std::to_string(i)));
    std::string body;
    while (body.size() < bodyChars) {
        body += "The quick brown fox jumps over the lazy dog " + std::to_string(i) + ".\r\n";
    }
    body.resize(bodyChars);
    m.props.set(mapi::tag::kBody, PropValue::unicode(std::move(body)));
    m.props.set(mapi::tag::kMessageFlags, PropValue::int32(i % 2));
    m.props.set(mapi::tag::kSenderName, PropValue::unicode("Ann Sender"));
    m.props.set(mapi::tag::kClientSubmitTime,
                PropValue::time(mapi::FileTime::fromUnixSeconds(1700000000 + i)));
    mapi::Recipient to;
    to.props.set(mapi::tag::kRecipientType, PropValue::int32(1));
    to.props.set(mapi::tag::kDisplayName, PropValue::unicode("Bob Receiver"));
    to.props.set(mapi::tag::kEmailAddress, PropValue::unicode("bob@example.org"));
    m.recipients.push_back(std::move(to));
    if (attachment > 0) {
        mapi::Attachment a;
        a.props.set(mapi::tag::kAttachMethod, PropValue::int32(mapi::tag::kAttachByValue));
        a.props.set(mapi::tag::kAttachLongFilename, PropValue::unicode("file.bin"));
        mapi::Bytes data(attachment);
        std::uint32_t x = static_cast<std::uint32_t>(i) * 2654435761u + 1;
        for (auto& b : data) {
            x = x * 1664525u + 1013904223u;
            b = static_cast<std::uint8_t>(x >> 24);
        }
        a.props.set(mapi::tag::kAttachDataBinary, PropValue::binary(std::move(data)));
        m.attachments.push_back(std::move(a));
        m.props.set(mapi::tag::kMessageFlags,
                    PropValue::int32((i % 2) | mapi::tag::kMsgFlagHasAttach));
    }
    return m;
}

// Runs a case in a child; returns its exit status and peak resident memory in MiB.
std::pair<int, double> inChild(const std::function<int()>& body) {
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        const int status = body();
        std::fflush(stdout);
        _exit(status);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 2, usage.ru_maxrss / 1024.0};
}

// When the writer commits: after this much time or this many bytes written.
struct Cadence {
    std::chrono::milliseconds interval = pst::WriterOptions{}.commitInterval;
    std::uint64_t bytes = pst::WriterOptions{}.commitBytes;

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
               (bytes == UINT64_MAX ? "" : " / " + std::to_string(bytes >> 20) + " MiB");
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
                           message(i, body, attachment));
    }
    writer->close();
    RunFigures figures{seconds(start), cpuSeconds() - cpuStart, files.counts, fs::file_size(pst)};
    fs::remove(pst);
    return figures;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
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
        writer->addMessage(folder, message(i, 200, 0));
    }
    writer->close();
    const double perMessage = seconds(start) / count;
    fs::remove(pst);
    return perMessage;
}

int scale(const fs::path& dir) {
    double small = 0, large = 0;
    const auto [smallStatus, smallRss] = inChild([&] {
        small = smallMessages(dir / "30k.pst", 30000);
        std::printf("30,000 messages in one folder: %.1f us/message\n", small * 1e6);
        std::FILE* out = std::fopen((dir / "30k.txt").c_str(), "w");
        std::fprintf(out, "%.9f", small);
        std::fclose(out);
        return 0;
    });
    const auto [largeStatus, largeRss] = inChild([&] {
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
        ratio, largeRss, smallRss);
    const bool ok =
        smallStatus == 0 && largeStatus == 0 && small > 0 && ratio <= 1.1 && largeRss <= 100;
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
        status |= inChild([&] { return commitOverhead(dir, intervals); }).first;
    }
    if (only.empty() || only == "scale") {
        status |= scale(dir);
    }
    fs::remove_all(dir);
    std::printf("%s\n", status == 0 ? "all goals met" : "a goal was missed");
    return status == 0 ? 0 : 1;
}
