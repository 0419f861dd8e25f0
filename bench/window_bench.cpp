// The Qt window against tolvane-convert on the same files: N small message files in 20
// folders are queued with Add Folder and converted with Convert in the real window (shown,
// so it repaints, with the modal boxes answered at once), and converted by tolvane-convert in a
// process of its own. Goal: the window's queue and conversion together within 1.2 times the
// command line's time, the median over 5 rounds of each round's ratio (each round runs both,
// one after the other), so a burst of load on a shared machine weighs on one round, not on one
// side. WINDOW_BENCH_FILES sets N (20,000 unless told).
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/WindowJob.h"
#include "app/qt/QtWindow.h"
#include "platform/qt/QtUi.h"
#include "queue/ViewSettingsFile.h"
#include "support/ChildProcess.h"
#include "support/SmallMessages.h"
#include "support/TempFolder.h"
#include "support/Timing.h"

namespace {

namespace fs = std::filesystem;
using tolvane::bench::Clock;

constexpr double kGoalRatio = 1.2;
constexpr int kRounds = 5;

tolvane::bench::ChildRun commandLine(const fs::path& source, const fs::path& dest) {
    fs::create_directories(dest);
    return tolvane::bench::spawned({TOLVANE_CONVERT_PATH, "--dest", dest.string(), source.string()},
                                   "/dev/null", "/dev/null");
}

// The Qt seam with the pickers and boxes answered at once: Add Folder's picker gets the
// source, Convert's the destination.
class BenchUi : public tolvane::qtui::QtUi {
  public:
    std::string source;
    std::string dest;
    std::string lastMessage;

    std::string browseForFolder(const std::string& title) override {
        return title == "Choose Folder to Save..." ? dest : source;
    }
    tolvane::MsgResult messageBox(const tolvane::MessageBoxRequest& request) override {
        lastMessage = request.text;
        return tolvane::MsgResult::Ok;
    }
};

struct WindowRun {
    tolvane::bench::Timed queue;
    tolvane::bench::Timed convert;
    std::int64_t rows = 0;
    std::uint64_t stored = 0;
};

WindowRun window(const fs::path& source, const fs::path& dest) {
    fs::create_directories(dest);
    BenchUi ui;
    ui.source = source.string();
    ui.dest = dest.string();
    tolvane::queue::ViewSettingsFile viewSettings(dest.parent_path() / "view-settings");
    tolvane::app::QtWindow window(ui, viewSettings);
    ui.setOwner(&window);
    const tolvane::app::WindowJob job(ui, window);
    window.show();
    QCoreApplication::processEvents();

    WindowRun run;
    run.queue = tolvane::bench::timed([&] { window.Click(tolvane::app::CmdAddFolder); });
    run.rows = window.rowCount();
    run.convert = tolvane::bench::timed([&] { window.Click(tolvane::app::CmdExtractDBX); });
    run.stored = job.job().lastRun().stored;
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const char* told = std::getenv("WINDOW_BENCH_FILES");
    const int files = told != nullptr ? std::atoi(told) : 20000;
    QApplication application(argc, argv);

    const fs::path top = tolvane::bench::makeTempFolder("window-bench");
    const fs::path source = top / "source";
    tolvane::bench::writeSmallMessages(source, files);

    std::vector<double> ratios, cliSeconds, cliCpu, queueSeconds, convertSeconds, convertCpu;
    bool whole = true;
    for (int round = 0; round < kRounds; ++round) {
        const fs::path cliDest = top / ("cli-" + std::to_string(round));
        const fs::path qtDest = top / ("qt-" + std::to_string(round));
        const tolvane::bench::ChildRun cli = commandLine(source, cliDest);
        const WindowRun qt = window(source, qtDest);
        fs::remove_all(cliDest);
        fs::remove_all(qtDest);
        const double qtTotal = qt.queue.seconds + qt.convert.seconds;
        ratios.push_back(cli.seconds > 0 ? qtTotal / cli.seconds : 0);
        cliSeconds.push_back(cli.seconds);
        cliCpu.push_back(cli.cpuSeconds);
        queueSeconds.push_back(qt.queue.seconds);
        convertSeconds.push_back(qt.convert.seconds);
        convertCpu.push_back(qt.convert.cpuSeconds);
        whole = whole && cli.exitStatus == 0 && qt.rows == files &&
                qt.stored == static_cast<std::uint64_t>(files);
    }
    fs::remove_all(top);

    using tolvane::bench::median;
    const double ratio = median(ratios);
    const bool met = whole && ratio <= kGoalRatio;
    std::printf("window_bench: %d files in %d folders, medians of %d rounds\n", files,
                tolvane::bench::kSmallMessageFolders, kRounds);
    std::printf("window_bench: tolvane-convert %.2f s wall (CPU %.2f s)\n", median(cliSeconds),
                median(cliCpu));
    std::printf("window_bench: Qt window queue %.2f s, convert %.2f s (CPU %.2f s)%s\n",
                median(queueSeconds), median(convertSeconds), median(convertCpu),
                whole ? "; every file queued and stored in each round" : "");
    std::printf("window_bench: Qt window / command line %.2f (rounds:", ratio);
    for (const double r : ratios) {
        std::printf(" %.2f", r);
    }
    std::printf(") (goal <= %.1f): %s%s\n", kGoalRatio, met ? "met" : "MISSED",
                whole ? "" : "  [WRONG: not every file]");
    return met ? 0 : 1;
}
