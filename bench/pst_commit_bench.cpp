// Commit points in the PST writer: what committing every few seconds costs a run of 10,000
// mixed messages in 50 folders (against the same run committed only at close), and, for
// 300,000 small messages in one folder, the peak memory and the time per message against a
// run of 30,000. Each case runs in a child process so its peak memory is its own. Exits 1
// when a figure misses its goal. An argument (overhead, scale) runs one case.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <string>

#include "mapi/Tags.h"
#include "pst/PstWriter.h"

namespace {

using namespace tolvane;
using mapi::PropValue;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

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

// The 10,000 mixed messages: bodies around 9 KB (log-normal), a tenth with an attachment of
// 10 KB to 2 MB, spread over 50 folders, as the end-to-end benchmark's corpus.
double mixedRun(const fs::path& pst, std::chrono::milliseconds interval) {
    pst::WriterOptions options;
    options.commitInterval = interval;
    options.commitBytes = interval.count() > 100000 ? UINT64_MAX : options.commitBytes;
    std::mt19937 random(42);
    std::lognormal_distribution<double> bodySize(std::log(9000.0), 0.8);
    std::uniform_real_distribution<double> unit(0, 1);
    const auto start = Clock::now();
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
    const double s = seconds(start);
    fs::remove(pst);
    return s;
}

int commitOverhead(const fs::path& dir) {
    // Alternating rounds, so a busy shared disk weighs on both alike; medians compared.
    std::vector<double> cadence, once;
    for (int round = 0; round < 3; ++round) {
        cadence.push_back(mixedRun(dir / "cadence.pst", pst::WriterOptions{}.commitInterval));
        once.push_back(mixedRun(dir / "once.pst", std::chrono::hours(24)));
    }
    std::sort(cadence.begin(), cadence.end());
    std::sort(once.begin(), once.end());
    const double overhead = cadence[1] / once[1] - 1;
    std::printf(
        "10,000 mixed messages in 50 folders: committed every %lld ms %.2f s, only at close "
        "%.2f s (medians of 3): commit overhead %.1f%% (goal <= 5%%)\n",
        static_cast<long long>(pst::WriterOptions{}.commitInterval.count()), cadence[1], once[1],
        overhead * 100);
    return overhead <= 0.05 ? 0 : 1;
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
        status |= inChild([&] { return commitOverhead(dir); }).first;
    }
    if (only.empty() || only == "scale") {
        status |= scale(dir);
    }
    fs::remove_all(dir);
    std::printf("%s\n", status == 0 ? "all goals met" : "a goal was missed");
    return status == 0 ? 0 : 1;
}
