// The PST writer end to end: what it costs over a plain buffered write of the same bytes
// (both synced to disk at the end, in alternating rounds, wall and processor time each),
// whether time per message stays flat as one folder grows to 100,000 messages, and the memory
// a 1 GiB streamed attachment takes. Each case runs in a child process, so its peak memory is
// its own; a case that fails, or whose file does not hold what it wrote, makes the exit status
// 1. An argument (throughput, many, huge) runs one case.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "mapi/Tags.h"
#include "pst/PstWriter.h"
#include "support/ChildProcess.h"
#include "support/MapiMessages.h"
#include "support/Timing.h"

namespace {

using namespace tolvane;
using mapi::PropValue;
namespace fs = std::filesystem;
using bench::Clock;
using bench::secondsSince;
using bench::Timed;
using bench::timed;

// A value generated on the fly, so the benchmark holds none of it in memory.
class GeneratedSource final : public mapi::ByteSource {
  public:
    explicit GeneratedSource(std::uint64_t size) : size_(size) {}
    std::uint64_t size() const override { return size_; }
    std::unique_ptr<mapi::ByteReader> open() const override {
        struct Reader : mapi::ByteReader {
            std::uint64_t left;
            std::uint64_t offset = 0;
            std::vector<std::uint8_t> pattern = std::vector<std::uint8_t>(65521);
            explicit Reader(std::uint64_t n) : left(n) {
                std::uint32_t x = 1;
                for (auto& b : pattern) {
                    x = x * 1664525u + 1013904223u;
                    b = static_cast<std::uint8_t>(x >> 24);
                }
            }
            // Cycles through a prime-sized block, so no two data blocks hold the same bytes.
            std::size_t read(std::span<std::uint8_t> out) override {
                const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(left, out.size()));
                for (std::size_t done = 0; done < n;) {
                    const std::size_t at = static_cast<std::size_t>(offset % pattern.size());
                    const std::size_t k = std::min(n - done, pattern.size() - at);
                    std::memcpy(out.data() + done, pattern.data() + at, k);
                    done += k;
                    offset += k;
                }
                left -= n;
                return n;
            }
        };
        return std::make_unique<Reader>(size_);
    }

  private:
    std::uint64_t size_;
};

// Runs a case in a child process and prints its peak resident memory; false if it failed.
bool runCase(const char* name, const std::function<void()>& body) {
    const bench::ChildRun run = bench::inChild([&] {
        try {
            body();
            return 0;
        } catch (const std::exception& e) {
            std::printf("%s: %s\n", name, e.what());
            return 1;
        }
    });
    const bool sound = run.exitStatus == 0;
    std::printf("%s: peak RSS %.1f MiB%s\n", name, run.peakRssMiB, sound ? "" : " (FAILED)");
    return sound;
}

// The file must hold every message the case added.
void expectCommitted(const pst::PstWriter& writer, std::uint64_t messages) {
    if (writer.committedMessages() != messages) {
        throw std::runtime_error(writer.path().string() + " holds " +
                                 std::to_string(writer.committedMessages()) + " messages, not " +
                                 std::to_string(messages));
    }
}

std::uintmax_t writeWithTheWriter(const fs::path& pst) {
    auto writer = pst::PstWriter::create(pst, "Bench");
    const pst::FolderId folder = writer->addFolder(writer->ipmSubtree(), "Inbox");
    const mapi::Bytes attachmentData(50 * 1024, 0x41);
    for (int i = 0; i < 10000; ++i) {
        mapi::Message m = bench::benchMessage(i, 10 * 1024);  // 20 KB as UTF-16
        mapi::Attachment a;
        a.props.set(mapi::tag::kAttachMethod, PropValue::int32(mapi::tag::kAttachByValue));
        a.props.set(mapi::tag::kAttachLongFilename, PropValue::unicode("data.bin"));
        a.props.set(mapi::tag::kAttachDataBinary, PropValue::binary(attachmentData));
        m.attachments.push_back(std::move(a));
        writer->addMessage(folder, m);
    }
    writer->close();
    expectCommitted(*writer, 10000);
    return fs::file_size(pst);
}

// `bytes` through stdio, synced like the writer's close, which makes its file durable before
// it returns.
void plainBufferedWrite(const fs::path& plain, std::uintmax_t bytes) {
    FILE* out = std::fopen(plain.c_str(), "wb");
    if (out == nullptr) {
        throw std::runtime_error("cannot create " + plain.string());
    }
    std::vector<char> chunk(64 * 1024, 'x');
    bool sound = true;
    for (std::uintmax_t left = bytes; left > 0 && sound;) {
        const std::size_t n =
            static_cast<std::size_t>(std::min<std::uintmax_t>(left, chunk.size()));
        sound = std::fwrite(chunk.data(), 1, n, out) == n;
        left -= n;
    }
    sound = sound && std::fflush(out) == 0 && fdatasync(fileno(out)) == 0;
    sound = std::fclose(out) == 0 && sound;
    if (!sound) {
        throw std::runtime_error("cannot write " + plain.string());
    }
}

void writerAgainstPlainWrite(const fs::path& dir) {
    // Writer and plain write take turns, each plain write as large as the file before it, so
    // both meet the same disk; medians of three rounds.
    constexpr int kRounds = 3;
    std::vector<Timed> writerRuns, plainRuns;
    std::uintmax_t bytes = 0;
    for (int round = 0; round < kRounds; ++round) {
        const fs::path pst = dir / "throughput.pst";
        writerRuns.push_back(timed([&] { bytes = writeWithTheWriter(pst); }));
        fs::remove(pst);
        const fs::path plain = dir / "plain.bin";
        plainRuns.push_back(timed([&] { plainBufferedWrite(plain, bytes); }));
        fs::remove(plain);
    }
    const Timed writer = bench::median(writerRuns, bench::fasterWall);
    const Timed plain = bench::median(plainRuns, bench::fasterWall);
    std::printf("10,000 messages of 20 KB + 50 KB attachment, %.0f MiB file (median of %d):\n",
                bytes / 1048576.0, kRounds);
    std::printf("  writer                          %6.2f s, processor %6.2f s\n", writer.seconds,
                writer.cpuSeconds);
    std::printf("  plain buffered write (synced)   %6.2f s, processor %6.2f s\n", plain.seconds,
                plain.cpuSeconds);
    std::printf("  rounds, writer / plain:        ");
    for (int round = 0; round < kRounds; ++round) {
        std::printf(" %.2f/%.2f s", writerRuns[round].seconds, plainRuns[round].seconds);
    }
    std::printf("\n  ratio %.2f wall (goal <= 3), %.2f processor\n", writer.seconds / plain.seconds,
                writer.cpuSeconds / plain.cpuSeconds);
}

void oneHundredThousandMessages(const fs::path& dir) {
    const fs::path pst = dir / "many.pst";
    auto writer = pst::PstWriter::create(pst, "Bench");
    const pst::FolderId folder = writer->addFolder(writer->ipmSubtree(), "Inbox");
    const auto start = Clock::now();
    double first = 0;
    auto windowStart = start;
    for (int i = 1; i <= 100000; ++i) {
        writer->addMessage(folder, bench::benchMessage(i, 200));
        if (i == 10000) {
            first = secondsSince(start) / 10000;
        }
        if (i == 90000) {
            windowStart = Clock::now();
        }
    }
    const double last = secondsSince(windowStart) / 10000;
    const auto closeStart = Clock::now();
    writer->close();
    const double closeSeconds = secondsSince(closeStart);
    expectCommitted(*writer, 100000);
    std::printf(
        "100,000 small messages in one folder: %.1f us/message over the first 10,000, "
        "%.1f us/message over the last 10,000, ratio %.2f (goal <= 1.25); close %.2f s; "
        "total %.2f s, %.0f MiB file\n",
        first * 1e6, last * 1e6, last / first, closeSeconds, secondsSince(start),
        fs::file_size(pst) / 1048576.0);
    fs::remove(pst);
}

void oneGibibyteAttachment(const fs::path& dir) {
    const fs::path pst = dir / "huge.pst";
    const auto start = Clock::now();
    auto writer = pst::PstWriter::create(pst, "Bench");
    const pst::FolderId folder = writer->addFolder(writer->ipmSubtree(), "Inbox");
    mapi::Message m = bench::benchMessage(1, 100);
    mapi::Attachment a;
    a.props.set(mapi::tag::kAttachMethod, PropValue::int32(mapi::tag::kAttachByValue));
    a.props.set(mapi::tag::kAttachLongFilename, PropValue::unicode("huge.bin"));
    a.props.set(mapi::tag::kAttachDataBinary,
                PropValue::binaryStream(std::make_shared<GeneratedSource>(1ull << 30)));
    m.attachments.push_back(std::move(a));
    writer->addMessage(folder, m);
    writer->close();
    expectCommitted(*writer, 1);
    if (fs::file_size(pst) <= (1ull << 30)) {
        throw std::runtime_error(pst.string() + " is smaller than its attachment");
    }
    std::printf("one message with a 1 GiB streamed attachment: %.2f s, %.0f MiB file\n",
                secondsSince(start), fs::file_size(pst) / 1048576.0);
    fs::remove(pst);
}

}  // namespace

int main(int argc, char** argv) {
    // An argument picks one case: throughput, many or huge.
    const std::string only = argc > 1 ? argv[1] : "";
    const fs::path dir =
        fs::temp_directory_path() / ("tolvane-pst-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    bool sound = true;
    if (only.empty() || only == "throughput") {
        sound = runCase("throughput", [&] { writerAgainstPlainWrite(dir); }) && sound;
    }
    if (only.empty() || only == "many") {
        sound = runCase("100,000 messages", [&] { oneHundredThousandMessages(dir); }) && sound;
    }
    if (only.empty() || only == "huge") {
        sound = runCase("1 GiB attachment", [&] { oneGibibyteAttachment(dir); }) && sound;
    }
    fs::remove_all(dir);
    return sound ? 0 : 1;
}
