// The MIME import over 10,000 generated messages against GMime's bare cost of reading the
// same files: parse, walk every part, decode every part's content. Goal: ratio <= 1.5.

#include <fcntl.h>
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
#include "support/EmlText.h"
#include "support/TempFolder.h"
#include "support/Timing.h"

namespace {

namespace bench = tolvane::bench;

constexpr int kMessages = 10'000;

std::string words(std::mt19937& rng, int n) {
    static const char* vocab[] = {"meeting", "report",   "Grüße",   "café",  "budget", "日本語",
                                  "привет",  "schedule", "invoice", "naïve", "team",   "中文",
                                  "update",  "review",   "thanks",  "über",  "project"};
    std::string s;
    for (int i = 0; i < n; ++i) {
        if (i)
            s += (i % 12 == 11) ? "\r\n" : " ";
        s += vocab[rng() % std::size(vocab)];
    }
    return s;
}

std::string headers(std::mt19937& rng, int i) {
    std::string h = "Received: from mx" + std::to_string(i % 7) +
                    ".example.org by mail.example.com; Tue, 3 Mar 2020 10:00:0" +
                    std::to_string(i % 10) + " +0100\r\n";
    h += "From: =?UTF-8?Q?J=C3=BCrgen_M=C3=BCller?= <jm" + std::to_string(i % 50) +
         "@example.de>\r\n";
    h += "To: Ann Smith <ann@example.org>, \"Bob, Jr.\" <bob@example.org>\r\n";
    if (i % 3 == 0)
        h += "Cc: team: c1@example.org, c2@example.org;\r\n";
    h += "Subject: " + std::string(i % 4 == 0 ? "RE: " : "") +
         "=?UTF-8?B?R3LDtsOfZSDigqw=?= " + std::to_string(i) + "\r\n";
    h += "Date: Tue, 3 Mar 2020 09:" + std::to_string(10 + i % 50) + ":00 +0100\r\n";
    h += "Message-ID: <" + std::to_string(i) + "." + std::to_string(rng()) + "@example.de>\r\n";
    h += "MIME-Version: 1.0\r\n";
    return h;
}

std::string message(std::mt19937& rng, int i) {
    std::string m = headers(rng, i);
    const int kind = i % 10;
    const std::string text = words(rng, 40 + static_cast<int>(rng() % 200));
    if (kind < 4) {
        return m +
               "Content-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: "
               "8bit\r\n\r\n" +
               text + "\r\n";
    }
    std::string alt =
        "Content-Type: multipart/alternative; boundary=alt\r\n\r\n--alt\r\n"
        "Content-Type: text/plain; charset=utf-8\r\n\r\n" +
        text + "\r\n--alt\r\nContent-Type: text/html; charset=utf-8\r\n\r\n<html><body><p>" + text +
        "</p><img src=\"cid:img@x\"></body></html>\r\n--alt--\r\n";
    if (kind < 7)
        return m + alt;
    std::string blob(2000 + rng() % 40000, '\0');
    for (auto& c : blob)
        c = static_cast<char>(rng());
    m += "Content-Type: multipart/mixed; boundary=mix\r\n\r\n--mix\r\n" + alt + "\r\n--mix\r\n";
    m += "Content-Type: application/pdf; name=\"=?UTF-8?Q?Bericht_=C3=BCber.pdf?=\"\r\n"
         "Content-Disposition: attachment; filename*=UTF-8''Bericht%20%C3%BCber.pdf\r\n"
         "Content-Transfer-Encoding: base64\r\n\r\n" +
         bench::base64Lines(blob);
    if (kind == 9) {
        m += "--mix\r\nContent-Type: message/rfc822\r\n\r\n" + headers(rng, i + 1) +
             "Content-Type: text/plain; charset=iso-8859-1\r\n\r\ncaf\xE9 " + std::to_string(i) +
             "\r\n";
    }
    return m + "--mix--\r\n";
}

void decodeAll(GMimeObject* o, GMimeStream* sink) {
    if (GMIME_IS_MULTIPART(o)) {
        const int n = g_mime_multipart_get_count(GMIME_MULTIPART(o));
        for (int k = 0; k < n; ++k)
            decodeAll(g_mime_multipart_get_part(GMIME_MULTIPART(o), k), sink);
    } else if (GMIME_IS_MESSAGE_PART(o)) {
        GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(o));
        if (inner && g_mime_message_get_mime_part(inner))
            decodeAll(g_mime_message_get_mime_part(inner), sink);
    } else if (GMIME_IS_PART(o)) {
        if (GMimeDataWrapper* w = g_mime_part_get_content(GMIME_PART(o))) {
            g_mime_data_wrapper_write_to_stream(w, sink);
        }
    }
}

// GMime's bare cost: parse, walk the parts, decode each part's content.
void bareParse(const std::filesystem::path& p) {
    GMimeStream* s = g_mime_stream_fs_open(p.c_str(), O_RDONLY, 0, nullptr);
    GMimeParser* parser = g_mime_parser_new_with_stream(s);
    g_mime_parser_set_persist_stream(parser, TRUE);
    GMimeMessage* m = g_mime_parser_construct_message(parser, nullptr);
    if (m && g_mime_message_get_mime_part(m)) {
        GMimeStream* sink = g_mime_stream_null_new();
        decodeAll(g_mime_message_get_mime_part(m), sink);
        g_object_unref(sink);
    }
    if (m)
        g_object_unref(m);
    g_object_unref(parser);
    g_object_unref(s);
}

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
        const std::string m = message(rng, i);
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
                    bareParse(f);
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
