// The MIME import over 10,000 generated messages against GMime's bare cost of reading the
// same files: parse, walk every part, decode every part's content. Goal: ratio <= 1.5.

#include <gmime/gmime.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "mapi/Tags.h"
#include "mime/EmlImport.h"
#include "support/BareParse.h"
#include "support/EmlText.h"
#include "support/MixedMessages.h"
#include "support/TempFolder.h"
#include "support/Timing.h"

namespace {

namespace bench = tolvane::bench;

constexpr int kMessages = 10'000;

// Best of the rounds, wall and processor time apart.
struct Timing {
    double wall = 1e9;
    double cpu = 1e9;
};

template <typename F>
void measure(Timing& best, F&& f) {
    const bench::Timed t = bench::timed(f);
    best.wall = std::min(best.wall, t.seconds);
    best.cpu = std::min(best.cpu, t.cpuSeconds);
}

// One message with a base64 attachment of `mib` MiB, written in pieces; imported, then the
// spooled value read through once, as a writer would.
int largeAttachment(std::size_t mib) {
    const std::filesystem::path folder = bench::makeTempFolder("mime-large");
    const std::filesystem::path file = folder / "large.eml";
    {
        std::ofstream out(file, std::ios::binary);
        out << "Subject: large\r\nContent-Type: multipart/mixed; "
               "boundary=b\r\n\r\n--b\r\n\r\nbody\r\n"
               "--b\r\nContent-Type: application/octet-stream; name=big.bin\r\n"
               "Content-Transfer-Encoding: base64\r\n\r\n";
        std::string chunk(57 * 1024, '\0');
        std::mt19937 rng(7);
        for (std::size_t written = 0; written < (mib << 20); written += chunk.size()) {
            for (auto& c : chunk)
                c = static_cast<char>(rng());
            out << bench::base64Lines(chunk);
        }
        out << "--b--\r\n";
    }
    Timing t;
    std::uint64_t size = 0, read = 0;
    measure(t, [&] {
        const auto m = tolvane::mime::importEml(file);
        const auto& value = *m.attachments.at(0).props.get(tolvane::mapi::tag::kAttachDataBinary);
        size = value.binarySize();
        auto reader = value.asStream()->open();
        std::vector<std::uint8_t> buf(1 << 20);
        for (std::size_t n; (n = reader->read(buf)) > 0;)
            read += n;
    });
    std::printf("large attachment: %.0f MiB file, %.0f MiB decoded (spooled, read back %.0f MiB)\n",
                static_cast<double>(std::filesystem::file_size(file)) / (1 << 20),
                static_cast<double>(size) / (1 << 20), static_cast<double>(read) / (1 << 20));
    std::printf("large attachment: wall %.1f s, cpu %.1f s, peak RSS %.1f MiB\n", t.wall, t.cpu,
                bench::peakRssMiB());
    std::filesystem::remove_all(folder);
    return 0;
}

}  // namespace

int main() {
    g_mime_init();
    // MIME_BENCH_LARGE_MIB=1024 runs the large-attachment check alone.
    if (const char* large = std::getenv("MIME_BENCH_LARGE_MIB")) {
        return largeAttachment(static_cast<std::size_t>(std::atol(large)));
    }
    // MIME_BENCH_DIR keeps the generated folder between runs (for a profiler).
    const char* keep = std::getenv("MIME_BENCH_DIR");
    const std::filesystem::path dir = keep ? keep : bench::makeTempFolder("mime-bench");
    std::filesystem::create_directories(dir);
    std::mt19937 rng(20261207);
    std::vector<std::filesystem::path> files;
    std::uintmax_t bytes = 0;
    for (int i = 0; i < kMessages; ++i) {
        files.push_back(dir / (std::to_string(i) + ".eml"));
        if (keep && std::filesystem::exists(files.back())) {
            bytes += std::filesystem::file_size(files.back());
            continue;
        }
        const std::string m = bench::mixedMessage(rng, i);
        std::ofstream(files.back(), std::ios::binary) << m;
        bytes += m.size();
    }

    // MIME_BENCH_ONLY=import|bare runs one side alone (for a profiler).
    const char* only = std::getenv("MIME_BENCH_ONLY");
    const bool runBare = !only || std::string(only) == "bare";
    const bool runImport = !only || std::string(only) == "import";
    std::size_t properties = 0;
    Timing bare, import;
    for (int round = 0; round < 3; ++round) {
        if (runBare) {
            measure(bare, [&] {
                for (const auto& f : files)
                    bench::bareParse(f);
            });
        }
        if (runImport) {
            measure(import, [&] {
                for (const auto& f : files) {
                    const auto m = tolvane::mime::importEml(f);
                    properties += m.props.tagged().size();
                }
            });
        }
    }
    std::printf("messages: %d (%.1f MiB), best of 3 rounds\n", kMessages,
                static_cast<double>(bytes) / (1 << 20));
    std::printf("GMime parse + walk + decode: wall %.3f s, cpu %.3f s (%.0f msg/s)\n", bare.wall,
                bare.cpu, kMessages / bare.cpu);
    std::printf("importEml:                   wall %.3f s, cpu %.3f s (%.0f msg/s)\n", import.wall,
                import.cpu, kMessages / import.cpu);
    std::printf("ratio import / bare:         cpu %.2f, wall %.2f (goal <= 1.5)\n",
                import.cpu / bare.cpu, import.wall / bare.wall);
    std::printf("peak RSS:                    %.1f MiB\n", bench::peakRssMiB());
    std::printf("(properties seen: %zu)\n", properties);
    if (!keep)
        std::filesystem::remove_all(dir);
    return 0;
}
