// The Qt window against tolvane-convert on the same files: N small message files in 20
// folders are queued with Add Folder and converted with Convert in the real window (shown,
// so it repaints, with the modal boxes answered at once), and converted by tolvane-convert in a
// process of its own. Goal: the window's queue and conversion together within 1.2 times the
// command line's time. WINDOW_BENCH_FILES sets N (20,000 unless told).
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

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

    const tolvane::bench::ChildRun cli = commandLine(source, top / "cli");
    const WindowRun qt = window(source, top / "qt");
    fs::remove_all(top);

    const double qtTotal = qt.queue.seconds + qt.convert.seconds;
    const double ratio = cli.seconds > 0 ? qtTotal / cli.seconds : 0;
    const bool whole =
        cli.exitStatus == 0 && qt.rows == files && qt.stored == static_cast<std::uint64_t>(files);
    const bool met = whole && ratio <= kGoalRatio;
    std::printf("window_bench: %d files in %d folders\n", files,
                tolvane::bench::kSmallMessageFolders);
    std::printf("window_bench: tolvane-convert %.2f s wall (CPU %.2f s, exit %d)\n", cli.seconds,
                cli.cpuSeconds, cli.exitStatus);
    std::printf(
        "window_bench: Qt window queue %.2f s (CPU %.2f s), convert %.2f s (CPU %.2f s), "
        "together %.2f s; %lld rows queued, %llu messages stored\n",
        qt.queue.seconds, qt.queue.cpuSeconds, qt.convert.seconds, qt.convert.cpuSeconds, qtTotal,
        static_cast<long long>(qt.rows), static_cast<unsigned long long>(qt.stored));
    std::printf("window_bench: Qt window / command line %.2f (goal <= %.1f): %s%s\n", ratio,
                kGoalRatio, met ? "met" : "MISSED", whole ? "" : "  [WRONG: not every file]");
    return met ? 0 : 1;
}
